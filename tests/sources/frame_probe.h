// Reading test frames the way a person looks at them: pixels counted from the top-left corner of
// a bottom-up BGR frame, and where the white square is.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "zentrik/capture/CaptureDriver.h"

namespace zentrik::testing {

struct Bgr {
  int blue, green, red;
};

inline Bgr pixel_at(const Frame& frame, int x, int y_from_top) {
  const std::uint8_t* p = frame.pixels + (kFrameHeight - 1 - y_from_top) * kFrameStride + 3 * x;
  return {p[0], p[1], p[2]};
}

// Centre of the pixels brighter than 200 in all three colours, if there are any.
inline std::optional<std::pair<double, double>> white_centre(const Frame& frame) {
  double sum_x = 0, sum_y = 0;
  int count = 0;
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x) {
      const Bgr p = pixel_at(frame, x, y);
      if (p.blue > 200 && p.green > 200 && p.red > 200) {
        sum_x += x + 0.5;
        sum_y += y + 0.5;
        ++count;
      }
    }
  if (count == 0) return std::nullopt;
  return std::make_pair(sum_x / count, sum_y / count);
}

inline bool looks_red(Bgr p) {
  return p.red > 150 && p.green < 90 && p.blue < 90;
}
inline bool looks_black(Bgr p) {
  return p.red < 40 && p.green < 40 && p.blue < 40;
}

}  // namespace zentrik::testing
