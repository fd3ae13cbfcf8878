// Conversion of luma and colour-difference samples (one of each per pixel) to blue-green-red in
// fixed point, for BT.601 and BT.709 pictures of limited (16-235) or full (0-255) range.
#pragma once

#include <cstdint>

#include "KernelForm.h"

namespace zentrik {

enum class YuvMatrix { Bt601, Bt709 };

class YuvToBgr {
 public:
  YuvToBgr(YuvMatrix matrix, bool full_range, KernelForm form = best_kernel_form());
  YuvMatrix matrix() const { return matrix_; }
  bool full_range() const { return full_range_; }
  // Writes `width` pixels of 3 bytes, blue first.
  void convert_row(const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v,
                   std::uint8_t* bgr, int width) const;

  // Gains in 1 / 65536 (a straight loop of multiplications, which the compiler vectorises).
  struct Gains {
    std::int32_t luma_black, luma, blue_u, green_u, green_v, red_v;
  };

 private:
  YuvMatrix matrix_;
  bool full_range_;
  KernelForm form_;
  Gains gains_;
};

}  // namespace zentrik
