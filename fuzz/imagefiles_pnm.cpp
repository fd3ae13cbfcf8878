// Fuzz target: any bytes as a PPM or PGM file.
#include "imagefiles_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zentrik::fuzzing::check_picture(
      [](std::span<const std::uint8_t> bytes) { return zentrik::read_pnm(bytes); }, data, size);
  return 0;
}
