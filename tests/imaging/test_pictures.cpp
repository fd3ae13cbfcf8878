// Test pictures painted straight into a buffer's bits through its byte view.
#include <algorithm>
#include <cmath>
#include <random>

#include "imaging_test_support.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik::testing_support {

void paint_camera_frame(cDIBSection& dib, std::uint32_t seed) {
  const ByteView bits = dib.view();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-6, 6);
  const int width = dib.Width();
  const int height = dib.Height();
  for (int y = 0; y < height; ++y) {
    const std::span<Byte> row = bits.row(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / std::max(1, width - 1);
      const double v = static_cast<double>(y) / std::max(1, height - 1);
      const int red = static_cast<int>(40 + 170 * u + 30 * std::sin(6 * v));
      const int green = static_cast<int>(60 + 120 * v + 40 * std::cos(4 * u + 2 * v));
      const int blue = static_cast<int>(200 - 150 * u * v);
      const auto at = static_cast<std::size_t>(3 * x);
      row[at] = static_cast<Byte>(std::clamp(blue + noise(random), 0, 255));
      row[at + 1] = static_cast<Byte>(std::clamp(green + noise(random), 0, 255));
      row[at + 2] = static_cast<Byte>(std::clamp(red + noise(random), 0, 255));
    }
  }
}

void paint_red_f_on_blue(cDIBSection& dib) {
  const int width = dib.Width();
  const int height = dib.Height();
  const Rgb red{220, 20, 20};
  const Rgb blue{20, 20, 220};
  // The F: a stem down the left third, a full bar at the top, a shorter bar in the middle.
  const int stemLeft = width / 8;
  const int stemRight = width / 8 + std::max(1, width / 8);
  const int barBottom = height / 8 + std::max(1, height / 8);
  const int middleTop = height / 2 - height / 16;
  const int middleBottom = middleTop + std::max(1, height / 8);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool inStem = x >= stemLeft && x < stemRight && y >= height / 8 && y < height * 7 / 8;
      const bool inTop = y >= height / 8 && y < barBottom && x >= stemLeft && x < width * 3 / 4;
      const bool inMiddle = y >= middleTop && y < middleBottom && x >= stemLeft && x < width / 2;
      set_pixel_from_top(dib, x, y, inStem || inTop || inMiddle ? red : blue);
    }
  }
}

Rgb pixel_from_top(const cDIBSection& dib, int x, int y) {
  const std::span<Byte> row = dib.view().row(dib.Height() - 1 - y);
  const auto at = static_cast<std::size_t>(3 * x);
  return {row[at + 2], row[at + 1], row[at]};
}

void set_pixel_from_top(cDIBSection& dib, int x, int y, Rgb colour) {
  const std::span<Byte> row = dib.view().row(dib.Height() - 1 - y);
  const auto at = static_cast<std::size_t>(3 * x);
  row[at] = static_cast<Byte>(colour.blue);
  row[at + 1] = static_cast<Byte>(colour.green);
  row[at + 2] = static_cast<Byte>(colour.red);
}

}  // namespace zentrik::testing_support
