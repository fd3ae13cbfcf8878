// Fuzz target: any bytes as a bitmap file. Only the invalid-picture error may come out, and an
// image that reads has the promised layout and no more pixels than the bytes can describe.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "zentrik/bmpread/BitmapReader.h"
#include "zentrik/platform/automation_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const zentrik::BitmapImage image = zentrik::read_bitmap(std::span(data, size));
    if (image.width < 1 || image.width > zentrik::kMaxBitmapSide || image.height < 1 ||
        image.height > zentrik::kMaxBitmapSide)
      std::abort();
    if (image.stride != (image.width * 3 + 3) / 4 * 4) std::abort();
    if (image.pixels.size() != static_cast<std::size_t>(image.stride) * image.height) std::abort();
    // One bit of input per pixel at the least: 3 bytes out, at most 4 with the padding. Run
    // lengths paint up to 1024 pixels a byte of data, no more.
    const bool run_length = size > 34 && (data[30] == 1 || data[30] == 2);
    if (image.pixels.size() > (run_length ? 4 * 1024 * (size + 1) : 32 * size)) std::abort();
  } catch (const zentrik::AutomationError& error) {
    if (error.number() != zentrik::kInvalidPicture) std::abort();
  }
  return 0;
}
