// The grey of a pixel: (707 x green + 222 x red + 71 x blue) / 1000, halves to even, looked up
// from a table of every weighted sum.
#pragma once

#include "zentrik/platform/automation.h"

namespace zentrik {

class GreyLevels {
 public:
  static constexpr Long kMaxSum = 255 * 1000;
  static const GreyLevels& Table();
  Byte Of(Byte red, Byte green, Byte blue) const {
    return grey_[707 * green + 222 * red + 71 * blue];
  }

 private:
  GreyLevels();
  Byte grey_[kMaxSum + 1];
};

}  // namespace zentrik
