// BitmapImage: a picture read from a bitmap file, held as 24-bit blue-green-red with the rows
// bottom-up and each row padded to a multiple of 4 bytes, the layout of a cDIBSection.
#pragma once

#include <cstdint>
#include <vector>

#include "zentrik/platform/automation.h"
#include "zentrik/platform/byte_view.h"

namespace zentrik {

struct BitmapImage {
  Long width = 0;
  Long height = 0;
  Long stride = 0;                   // 3 x width rounded up to a multiple of 4
  std::vector<std::uint8_t> pixels;  // stride x height bytes, bottom row first

  ConstByteView view() const { return {pixels.data(), stride, height}; }
};

}  // namespace zentrik
