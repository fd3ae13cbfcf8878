// Fuzz target: any bytes as a PNG file.
#include "imagefiles_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zentrik::fuzzing::check_picture(
      [](std::span<const std::uint8_t> bytes) { return zentrik::read_png(bytes); }, data, size);
  return 0;
}
