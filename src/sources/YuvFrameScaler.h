// A planar YUV picture (the decoder's own planes) to a 320 x 240 bottom-up BGR frame: each plane
// is area-averaged to 320 x 240, then the 76,800 pixels are converted to colour.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "AreaScaler.h"
#include "YuvToBgr.h"
#include "zentrik/capture/CaptureDriver.h"

namespace zentrik {

struct YuvPicture {
  PlaneView y, u, v;  // u and v may be smaller (subsampled) than y
  YuvMatrix matrix = YuvMatrix::Bt601;
  bool full_range = false;
};

class YuvFrameScaler {
 public:
  // Writes the frame's pixels; false (frame untouched) for an empty plane. `previous`, when
  // given, must show the picture of the last call that returned true: a picture equal to it in
  // every sample, size and colour form (a still camera) gets that call's pixels again without
  // scaling or converting.
  bool scale(const YuvPicture& picture, Frame& frame, const YuvPicture* previous = nullptr);

 private:
  AreaScaler luma_, blue_, red_;
  std::vector<std::uint8_t> last_;  // the pixels of the last frame written
  std::vector<std::uint8_t> planes_ =
      std::vector<std::uint8_t>(static_cast<std::size_t>(3 * kFrameWidth * kFrameHeight));
  std::optional<YuvToBgr> colours_;
};

}  // namespace zentrik
