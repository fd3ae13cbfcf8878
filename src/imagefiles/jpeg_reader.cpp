// JPEG decoding through libjpeg-turbo, the only decoding file that includes jpeglib.h: grey and
// colour files straight into blue-green-red rows; the library's errors come back as a refusal.
#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "zentrik/imagefiles/ImageFile.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool data_ended = false;
};

void on_error(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

void on_message(j_common_ptr info, int level) {
  // A warning that the data ended early means the picture is incomplete; other warnings
  // (stray bytes between markers and the like) are let pass, as viewers do.
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) manager->data_ended = true;
}

struct Decompressor {
  jpeg_decompress_struct info{};
  ~Decompressor() { jpeg_destroy_decompress(&info); }
};

// Everything that may longjmp is in here, with no objects that need destructors between the
// setjmp and the jumps; returns the library's message on failure, empty on success.
std::string decode(Decompressor& d, ErrorManager& errors, std::span<const std::uint8_t> bytes,
                   BitmapImage& image) {
  d.info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = on_error;
  errors.base.emit_message = on_message;
  if (setjmp(errors.jump) != 0) return errors.message[0] != '\0' ? errors.message : "bad JPEG data";
  jpeg_create_decompress(&d.info);
  jpeg_mem_src(&d.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d.info, TRUE);
  if (d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK)
    return "CMYK JPEG files are not supported";
  const std::uint64_t pixels = std::uint64_t{d.info.image_width} * d.info.image_height;
  if (d.info.image_width > static_cast<unsigned>(kMaxBitmapSide) ||
      d.info.image_height > static_cast<unsigned>(kMaxBitmapSide))
    return "JPEG too large (" + std::to_string(d.info.image_width) + " x " +
           std::to_string(d.info.image_height) + ")";
  if (pixels > kPixelsWithoutQuestion && pixels > kMaxPixelsPerByte * bytes.size())
    return "truncated JPEG data";
  d.info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&d.info);
  image.width = static_cast<Long>(d.info.output_width);
  image.height = static_cast<Long>(d.info.output_height);
  image.stride = (image.width * 3 + 3) / 4 * 4;
  image.pixels.assign(static_cast<std::size_t>(image.stride) * image.height, 0);
  while (d.info.output_scanline < d.info.output_height && !errors.data_ended) {
    JSAMPROW row =
        image.pixels.data() +
        static_cast<std::size_t>(image.height - 1 - d.info.output_scanline) * image.stride;
    jpeg_read_scanlines(&d.info, &row, 1);
  }
  if (errors.data_ended) return "truncated JPEG data";
  jpeg_finish_decompress(&d.info);
  return {};
}

}  // namespace

BitmapImage read_jpeg(std::span<const std::uint8_t> bytes) {
  Decompressor decompressor;
  ErrorManager errors{};
  BitmapImage image;
  const std::string failure = decode(decompressor, errors, bytes, image);
  if (!failure.empty()) raise_error(kInvalidPicture, ZENTRIK_MODULE_NAME, failure);
  return image;
}

}  // namespace zentrik
