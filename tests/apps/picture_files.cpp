#include "apps/picture_files.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "apps/child_process.h"

namespace zentrik::testing {
namespace {

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  put16(out, at, v);
  put16(out, at + 2, v >> 16);
}
std::uint32_t get16(const std::string& in, std::size_t at) {
  return static_cast<std::uint8_t>(in[at]) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(in[at + 1])) << 8;
}
std::uint32_t get32(const std::string& in, std::size_t at) {
  return get16(in, at) | get16(in, at + 2) << 16;
}

std::string read_all(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace

bool write_bitmap24(const std::filesystem::path& path, int width, int height,
                    const std::function<Rgb(int x, int y)>& paint) {
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  const std::size_t image = stride * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> out(54 + image, 0);
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, static_cast<std::uint32_t>(out.size()));
  put32(out, 10, 54);
  put32(out, 14, 40);
  put32(out, 18, static_cast<std::uint32_t>(width));
  put32(out, 22, static_cast<std::uint32_t>(height));
  put16(out, 26, 1);
  put16(out, 28, 24);
  put32(out, 34, static_cast<std::uint32_t>(image));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = &out[54 + stride * static_cast<std::size_t>(height - 1 - y)];
    for (int x = 0; x < width; ++x) {
      const Rgb c = paint(x, y);
      row[3 * x] = c.b;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.r;
    }
  }
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file);
}

std::optional<RgbImage> read_bitmap24(const std::filesystem::path& path, std::string* why) {
  const std::string in = read_all(path);
  auto fail = [&](const std::string& text) -> std::optional<RgbImage> {
    if (why) *why = path.string() + ": " + text;
    return std::nullopt;
  };
  if (in.size() < 54 || in[0] != 'B' || in[1] != 'M') return fail("no bitmap file header");
  if (get32(in, 2) != in.size()) return fail("the header's file size is not the file's");
  const std::uint32_t offset = get32(in, 10);
  const auto width = static_cast<std::int32_t>(get32(in, 18));
  const auto height = static_cast<std::int32_t>(get32(in, 22));
  if (get16(in, 26) != 1 || get16(in, 28) != 24 || get32(in, 30) != 0) {
    return fail("not an uncompressed 24-bit bitmap");
  }
  if (width <= 0 || height == 0 || width > 1 << 14 || height > 1 << 14 || height < -(1 << 14)) {
    return fail("bad size");
  }
  const int rows = height < 0 ? -height : height;
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  if (offset < 54 || offset + stride * static_cast<std::size_t>(rows) > in.size()) {
    return fail("the pixels do not fit in the file");
  }
  RgbImage image{width, rows, std::vector<Rgb>(static_cast<std::size_t>(width) * rows)};
  for (int y = 0; y < rows; ++y) {
    const int stored = height < 0 ? y : rows - 1 - y;
    const char* row = &in[offset + stride * static_cast<std::size_t>(stored)];
    for (int x = 0; x < width; ++x) {
      image.pixels[static_cast<std::size_t>(y) * width + x] = {
          static_cast<std::uint8_t>(row[3 * x + 2]), static_cast<std::uint8_t>(row[3 * x + 1]),
          static_cast<std::uint8_t>(row[3 * x])};
    }
  }
  return image;
}

namespace {

// The P6 picture a decoder printed: "P6 W H 255", one white-space byte, then the pixels.
std::optional<RgbImage> parse_ppm(const ProcessResult& run, const std::filesystem::path& path,
                                  const std::string& tool, std::string* why) {
  auto fail = [&](const std::string& text) -> std::optional<RgbImage> {
    if (why) *why = path.string() + ": " + text;
    return std::nullopt;
  };
  if (run.exit_code != 0) return fail(tool + " failed: " + run.err);
  // Header words, skipping "#" comments, then one white-space byte.
  std::size_t at = 0;
  const auto word = [&]() {
    while (at < run.out.size() &&
           (std::isspace(static_cast<unsigned char>(run.out[at])) || run.out[at] == '#')) {
      if (run.out[at] == '#') {
        while (at < run.out.size() && run.out[at] != '\n') ++at;
      } else {
        ++at;
      }
    }
    const std::size_t begin = at;
    while (at < run.out.size() && !std::isspace(static_cast<unsigned char>(run.out[at]))) ++at;
    return run.out.substr(begin, at - begin);
  };
  const std::string magic = word();
  const int width = std::atoi(word().c_str());
  const int height = std::atoi(word().c_str());
  const int maxval = std::atoi(word().c_str());
  if (magic != "P6" || maxval != 255 || width <= 0 || height <= 0) {
    return fail(tool + " gave no 8-bit colour picture");
  }
  const std::size_t start = at + 1;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  if (run.out.size() != start + 3 * count) return fail(tool + "'s picture is cut short");
  RgbImage image{width, height, std::vector<Rgb>(count)};
  for (std::size_t i = 0; i < count; ++i) {
    image.pixels[i] = {static_cast<std::uint8_t>(run.out[start + 3 * i]),
                       static_cast<std::uint8_t>(run.out[start + 3 * i + 1]),
                       static_cast<std::uint8_t>(run.out[start + 3 * i + 2])};
  }
  return image;
}

ProcessResult run_tool(std::vector<std::string> args) {
  ProcessOptions options;
  options.args = std::move(args);
  options.limit = std::chrono::milliseconds(20000);
  return run_process(options);
}

}  // namespace

std::optional<RgbImage> decode_jpeg(const std::filesystem::path& path, std::string* why) {
  return parse_ppm(run_tool({"/usr/bin/djpeg", "-ppm", path.string()}), path, "djpeg", why);
}

std::optional<RgbImage> decode_with_magick(const std::filesystem::path& path, std::string* why) {
  return parse_ppm(run_tool({"/usr/bin/convert", path.string(), "-background", "white", "-flatten",
                             "-depth", "8", "ppm:-"}),
                   path, "convert", why);
}

std::optional<PalettedFile> read_with_pil(const std::filesystem::path& path, std::string* why) {
  static const char* const kScript =
      "import sys\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1])\n"
      "pal = im.getpalette() or [] if im.mode == 'P' else []\n"
      "print(im.format, im.mode, len(pal) // 3)\n"
      "print(' '.join(map(str, pal)))\n"
      "sys.stdout.flush()\n"
      "rgb = im.convert('RGB')\n"
      "sys.stdout.buffer.write(b'P6 %d %d 255\\n' % rgb.size + rgb.tobytes())\n";
  const ProcessResult run = run_tool({"/usr/bin/python3", "-c", kScript, path.string()});
  auto fail = [&](const std::string& text) -> std::optional<PalettedFile> {
    if (why) *why = path.string() + ": " + text;
    return std::nullopt;
  };
  if (run.exit_code != 0) return fail("PIL failed: " + run.err);
  std::istringstream lines(run.out);
  PalettedFile file;
  std::size_t colours = 0;
  lines >> file.format >> file.mode >> colours;
  std::vector<int> values(3 * colours);
  for (int& v : values) lines >> v;
  if (!lines) return fail("PIL's description is cut short");
  for (std::size_t i = 0; i < colours; ++i)
    file.palette.push_back({static_cast<std::uint8_t>(values[3 * i]),
                            static_cast<std::uint8_t>(values[3 * i + 1]),
                            static_cast<std::uint8_t>(values[3 * i + 2])});
  const std::size_t at = run.out.find("P6 ");
  if (at == std::string::npos) return fail("PIL gave no picture");
  ProcessResult picture = run;
  picture.out = run.out.substr(at);
  auto image = parse_ppm(picture, path, "PIL", why);
  if (!image) return std::nullopt;
  file.image = *image;
  return file;
}

}  // namespace zentrik::testing
