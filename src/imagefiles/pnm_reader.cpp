// PPM and PGM files (P2, P3 as text, P5, P6 as bytes; 16-bit samples big-endian), scaled from
// their maximum value to 0..255. Only the first picture of a file is read.
#include <string>

#include "zentrik/imagefiles/ImageFile.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

[[noreturn]] void invalid(const std::string& description) {
  raise_error(kInvalidPicture, ZENTRIK_MODULE_NAME, description);
}

bool space(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  // The next decimal number, skipping white space and comments; `what` names it in errors.
  std::uint32_t number(const char* what) {
    while (at_ < bytes_.size() && (space(bytes_[at_]) || bytes_[at_] == '#')) {
      if (bytes_[at_] == '#')
        while (at_ < bytes_.size() && bytes_[at_] != '\n' && bytes_[at_] != '\r') ++at_;
      else
        ++at_;
    }
    if (at_ >= bytes_.size()) invalid(std::string("truncated PPM data (no ") + what + ")");
    if (bytes_[at_] < '0' || bytes_[at_] > '9') invalid(std::string("bad PPM ") + what);
    std::uint64_t value = 0;
    while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9') {
      value = value * 10 + (bytes_[at_++] - '0');
      if (value > 0xFFFFFFFFu) invalid(std::string("bad PPM ") + what);
    }
    return static_cast<std::uint32_t>(value);
  }
  // The one white-space byte between the header and binary samples.
  void end_of_header() {
    if (at_ >= bytes_.size() || !space(bytes_[at_])) invalid("bad PPM header");
    ++at_;
  }
  std::size_t left() const { return bytes_.size() - at_; }
  std::uint32_t sample(bool wide) {
    const std::uint32_t value = wide ? (bytes_[at_] << 8) | bytes_[at_ + 1] : bytes_[at_];
    at_ += wide ? 2 : 1;
    return value;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 2;  // after the magic number
};

}  // namespace

BitmapImage read_pnm(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 'P') invalid("not a PPM or PGM file");
  const char kind = static_cast<char>(bytes[1]);
  if (kind != '2' && kind != '3' && kind != '5' && kind != '6')
    invalid(std::string("unsupported PNM kind (P") + kind + ")");
  const bool text = kind == '2' || kind == '3';
  const unsigned channels = kind == '3' || kind == '6' ? 3 : 1;
  Reader in(bytes);
  const std::uint32_t width = in.number("width");
  const std::uint32_t height = in.number("height");
  const std::uint32_t most = in.number("maximum value");
  if (width == 0 || height == 0)
    invalid("bad PPM size (" + std::to_string(width) + " x " + std::to_string(height) + ")");
  if (width > static_cast<std::uint32_t>(kMaxBitmapSide) ||
      height > static_cast<std::uint32_t>(kMaxBitmapSide))
    invalid("PPM too large (" + std::to_string(width) + " x " + std::to_string(height) + ")");
  if (most == 0 || most > 65535) invalid("bad PPM maximum value (" + std::to_string(most) + ")");
  const bool wide = most > 255;
  const std::uint64_t samples = std::uint64_t{width} * height * channels;
  if (!text) {
    in.end_of_header();
    if (in.left() < samples * (wide ? 2 : 1)) invalid("truncated PPM data");
  } else if (in.left() < samples) {  // every text sample takes a byte at the least
    invalid("truncated PPM data");
  }

  BitmapImage image;
  image.width = static_cast<Long>(width);
  image.height = static_cast<Long>(height);
  image.stride = (image.width * 3 + 3) / 4 * 4;
  image.pixels.assign(static_cast<std::size_t>(image.stride) * image.height, 0);
  for (Long y = 0; y < image.height; ++y) {
    std::uint8_t* out =
        image.pixels.data() + static_cast<std::size_t>(image.height - 1 - y) * image.stride;
    for (Long x = 0; x < image.width; ++x, out += 3) {
      std::uint8_t rgb[3];
      for (unsigned c = 0; c < channels; ++c) {
        const std::uint32_t value = text ? in.number("sample") : in.sample(wide);
        if (value > most) invalid("PPM sample above the maximum value");
        rgb[c] = static_cast<std::uint8_t>((std::uint64_t{value} * 255 + most / 2) / most);
      }
      if (channels == 1) rgb[1] = rgb[2] = rgb[0];
      out[0] = rgb[2];
      out[1] = rgb[1];
      out[2] = rgb[0];
    }
  }
  return image;
}

}  // namespace zentrik
