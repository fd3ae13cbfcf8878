// The camera-like benchmark frame.
#include <algorithm>
#include <cmath>
#include <random>

#include "imaging_frame.h"

namespace zentrik::bench {

bool make_camera_frame(cDIBSection& dib) {
  if (!is_true(dib.Create(320, 240))) return false;
  const ByteView bits = dib.view();
  std::mt19937 random(42);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int row = 0; row < 240; ++row) {
    for (int x = 0; x < 320; ++x) {
      const double u = x / 319.0;
      const double v = row / 239.0;
      const int red = static_cast<int>(40 + 170 * u + 30 * std::sin(6 * v));
      const int green = static_cast<int>(60 + 120 * v + 40 * std::cos(4 * u + 2 * v));
      const int blue = static_cast<int>(200 - 150 * u * v);
      bits(3 * x, row) = static_cast<Byte>(std::clamp(blue + noise(random), 0, 255));
      bits(3 * x + 1, row) = static_cast<Byte>(std::clamp(green + noise(random), 0, 255));
      bits(3 * x + 2, row) = static_cast<Byte>(std::clamp(red + noise(random), 0, 255));
    }
  }
  return true;
}

}  // namespace zentrik::bench
