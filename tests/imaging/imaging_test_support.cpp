// Scratch folders, external decoders and JPEG table reading for the imaging tests.
#include "imaging_test_support.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include <stdlib.h>
#include <sys/wait.h>

namespace zentrik::testing_support {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// Reads a binary PPM (P6) or PGM (P5) file with a maxval of 255.
std::optional<RgbImage> read_pnm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0;
  int height = 0;
  int maxval = 0;
  if (!(in >> magic >> width >> height >> maxval) || maxval != 255 || width <= 0 || height <= 0) {
    return std::nullopt;
  }
  if (magic != "P6" && magic != "P5") return std::nullopt;
  in.get();  // the single whitespace byte before the samples
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const std::size_t channels = magic == "P6" ? 3 : 1;
  std::vector<std::uint8_t> samples(pixels * channels);
  if (!in.read(reinterpret_cast<char*>(samples.data()),
               static_cast<std::streamsize>(samples.size()))) {
    return std::nullopt;
  }
  RgbImage image{width, height, {}};
  if (channels == 3) {
    image.rgb = std::move(samples);
  } else {
    image.rgb.reserve(pixels * 3);
    for (std::uint8_t grey : samples) image.rgb.insert(image.rgb.end(), {grey, grey, grey});
  }
  return image;
}

// The Debian interpreter, which has PIL from python3-pil; another python3 on the PATH may not.
std::string python() {
  return fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

// The standard luminance quantisation table of the JPEG standard's example, in zigzag order as
// DQT segments store it.
constexpr std::array<int, 64> kStandardLuminanceZigzag = {
    16, 11, 12,  14,  12,  10, 16, 14,  13,  14,  18,  17,  16, 19,  24,  40,
    26, 24, 22,  22,  24,  49, 35, 37,  29,  40,  58,  51,  61, 60,  57,  51,
    56, 55, 64,  72,  92,  78, 64, 68,  87,  69,  55,  56,  80, 109, 81,  87,
    95, 98, 103, 104, 103, 62, 77, 113, 121, 112, 100, 120, 92, 101, 103, 99};

}  // namespace

ScratchFolder::ScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "zentrik-imaging-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) std::abort();
  path_ = buffer.data();
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::entries() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

int run_command(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<RgbImage> decode_with_djpeg(const std::string& path) {
  const std::string out = path + ".decoded.pnm";
  if (run_command("djpeg -outfile " + quoted(out) + " " + quoted(path) + " 2>/dev/null") != 0) {
    return std::nullopt;
  }
  auto image = read_pnm(out);
  std::error_code ignored;
  fs::remove(out, ignored);
  return image;
}

std::optional<RgbImage> decode_with_pil(const std::string& path) {
  const std::string out = path + ".decoded.pnm";
  const std::string script =
      "import sys\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1])\n"
      "im.load()\n"
      "im.convert('RGB').save(sys.argv[2], 'PPM')\n";
  if (run_command(python() + " -c " + quoted(script) + " " + quoted(path) + " " + quoted(out) +
                  " 2>/dev/null") != 0) {
    return std::nullopt;
  }
  auto image = read_pnm(out);
  std::error_code ignored;
  fs::remove(out, ignored);
  return image;
}

std::vector<std::vector<int>> jpeg_quant_tables(const std::string& path) {
  const std::vector<std::uint8_t> bytes = read_bytes(path);
  std::vector<std::vector<int>> tables;
  std::size_t at = 2;  // after SOI
  while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
    const std::uint8_t marker = bytes[at + 1];
    const std::size_t length = (std::size_t{bytes[at + 2]} << 8) | bytes[at + 3];
    if (marker == 0xDA || length < 2 || at + 2 + length > bytes.size()) break;  // image data
    if (marker == 0xDB) {
      std::size_t p = at + 4;
      const std::size_t end = at + 2 + length;
      while (p < end) {
        const bool wide = (bytes[p] >> 4) != 0;
        ++p;
        std::vector<int> table;
        for (int i = 0; i < 64 && p < end; ++i) {
          table.push_back(wide ? (bytes[p] << 8) | bytes[p + 1] : bytes[p]);
          p += wide ? 2 : 1;
        }
        tables.push_back(std::move(table));
      }
    }
    at += 2 + length;
  }
  return tables;
}

int estimate_jpeg_quality(const std::vector<int>& luminance) {
  int best = 0;
  long bestError = std::numeric_limits<long>::max();
  for (int quality = 1; quality <= 100; ++quality) {
    const long scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    long error = 0;
    for (std::size_t i = 0; i < 64 && i < luminance.size(); ++i) {
      const long expected = std::clamp((kStandardLuminanceZigzag[i] * scale + 50) / 100, 1L, 255L);
      error += std::labs(expected - luminance[i]);
    }
    if (error < bestError) {
      bestError = error;
      best = quality;
    }
  }
  return best;
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace zentrik::testing_support
