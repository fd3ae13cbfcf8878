// Planar YUV to the control's frame: three area-averaged planes, then one colour conversion.
#include "YuvFrameScaler.h"

#include <cstring>

namespace zentrik {
namespace {

bool usable(const PlaneView& plane) {
  return plane.data != nullptr && plane.width > 0 && plane.height > 0 &&
         plane.stride >= plane.width;
}

bool same_samples(const PlaneView& a, const PlaneView& b) {
  if (a.width != b.width || a.height != b.height) return false;
  for (int row = 0; row < a.height; ++row) {
    if (std::memcmp(a.data + row * a.stride, b.data + row * b.stride,
                    static_cast<std::size_t>(a.width)) != 0)
      return false;
  }
  return true;
}

bool same_picture(const YuvPicture& a, const YuvPicture& b) {
  return a.matrix == b.matrix && a.full_range == b.full_range && same_samples(a.y, b.y) &&
         same_samples(a.u, b.u) && same_samples(a.v, b.v);
}

}  // namespace

bool YuvFrameScaler::scale(const YuvPicture& picture, Frame& frame, const YuvPicture* previous) {
  if (!usable(picture.y) || !usable(picture.u) || !usable(picture.v)) return false;
  if (previous != nullptr && !last_.empty() && same_picture(picture, *previous)) {
    std::memcpy(frame.pixels, last_.data(), last_.size());
    return true;
  }
  constexpr int kWidth = kFrameWidth, kHeight = kFrameHeight;
  constexpr std::size_t kPlane = static_cast<std::size_t>(kWidth) * kHeight;
  std::uint8_t* y = planes_.data();
  std::uint8_t* u = y + kPlane;
  std::uint8_t* v = u + kPlane;
  luma_.scale(picture.y, {y, kWidth, kHeight, kWidth});
  blue_.scale(picture.u, {u, kWidth, kHeight, kWidth});
  red_.scale(picture.v, {v, kWidth, kHeight, kWidth});
  if (!colours_ || colours_->matrix() != picture.matrix ||
      colours_->full_range() != picture.full_range)
    colours_.emplace(picture.matrix, picture.full_range);
  for (int row = 0; row < kHeight; ++row) {
    const std::size_t at = static_cast<std::size_t>(row) * kWidth;
    // Top row last: the frame is bottom-up.
    colours_->convert_row(y + at, u + at, v + at, frame.pixels + (kHeight - 1 - row) * kFrameStride,
                          kWidth);
  }
  last_.assign(frame.pixels, frame.pixels + sizeof frame.pixels);
  return true;
}

}  // namespace zentrik
