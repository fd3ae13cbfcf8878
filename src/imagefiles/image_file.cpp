// Telling picture files apart by their first bytes.
#include "zentrik/imagefiles/ImageFile.h"

#include <cstring>

#include "zentrik/platform/automation_error.h"

namespace zentrik {

ImageFormat sniff_image(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return ImageFormat::Bitmap;
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPng, 8) == 0) return ImageFormat::Png;
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
    return ImageFormat::Jpeg;
  if (bytes.size() >= 2 && bytes[0] == 'P' &&
      (bytes[1] == '2' || bytes[1] == '3' || bytes[1] == '5' || bytes[1] == '6'))
    return ImageFormat::Pnm;
  return ImageFormat::Unknown;
}

BitmapImage read_image(std::span<const std::uint8_t> bytes) {
  switch (sniff_image(bytes)) {
    case ImageFormat::Bitmap:
      return read_bitmap(bytes);
    case ImageFormat::Png:
      return read_png(bytes);
    case ImageFormat::Jpeg:
      return read_jpeg(bytes);
    case ImageFormat::Pnm:
      return read_pnm(bytes);
    case ImageFormat::Unknown:
      break;
  }
  raise_error(kInvalidPicture, ZENTRIK_MODULE_NAME,
              "not a picture file (bitmap, PNG, JPEG, PPM or PGM)");
}

}  // namespace zentrik
