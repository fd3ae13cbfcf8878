// The last frame the preview's colour reduction converted, with the picture it made of it: a
// frame whose pixels are the same (a still camera) takes the kept picture instead of converting.
#pragma once

#include <cstdint>
#include <vector>

#include "zentrik/platform/automation.h"

namespace zentrik {

class cDIBSection;

// The reduction is a function of the buffer's pixels, size and the depth alone, so a kept result
// is exactly what converting again would give. Only complete conversions are kept.
class ReductionCache {
 public:
  // True when the buffer still holds the result for a picture with exactly these pixels (the
  // same pixel identity) at `depth`: nothing needs loading or converting.
  bool holds(std::uint64_t identity, Long depth) const {
    return identity != 0 && identity == identity_ && depth == depth_ && valid_;
  }
  // After `image` was given the result for the picture of `identity` (0: unknown).
  void note_source(std::uint64_t identity) { identity_ = valid_ ? identity : 0; }

  // When `image` holds exactly the pixels last converted at `depth`, replaces them with the
  // kept result and returns true; otherwise leaves `image` alone and returns false.
  bool restore(cDIBSection& image, Long depth) const;
  // Before converting: remembers `image`'s pixels as the input of a conversion at `depth` (an
  // image without pixels is not remembered).
  void begin(const cDIBSection& image, Long depth);
  // After converting: keeps `image`'s pixels as the result when the conversion went through;
  // otherwise nothing is kept.
  void finish(const cDIBSection& image, bool converted);

 private:
  bool same_shape(const cDIBSection& image) const;

  std::uint64_t identity_ = 0;  // the picture whose result the buffer holds
  bool pending_ = false;
  bool valid_ = false;
  Long depth_ = 0;
  Long width_ = 0;
  Long height_ = 0;
  Long stride_ = 0;
  std::vector<std::uint8_t> input_;
  std::vector<std::uint8_t> result_;
};

}  // namespace zentrik
