// The decoder-plane scaler against a straightforward reference: each plane's box average computed
// here in floating point, converted with the textbook BT.601 / BT.709 formulas, on even, odd,
// subsampled and smaller-than-320 x 240 pictures with padded rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "sources/AreaScaler.h"
#include "sources/YuvFrameScaler.h"
#include "sources/frame_probe.h"

namespace zentrik {
namespace {

struct Plane {
  int width, height, stride;
  std::vector<std::uint8_t> samples;
  PlaneView view() const { return {samples.data(), width, height, stride}; }
  int at(int x, int y) const { return samples[static_cast<std::size_t>(y) * stride + x]; }
};

// Smooth gradients plus noise, so that both edges and flat parts are scaled.
Plane make_plane(int width, int height, std::mt19937& random) {
  Plane plane{width, height, width + 13, {}};
  plane.samples.resize(static_cast<std::size_t>(plane.stride) * height, 77);
  std::uniform_int_distribution<int> noise(-40, 40);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int value = (x * 255 / width + y * 128 / height) / 2 + 64 + noise(random);
      plane.samples[static_cast<std::size_t>(y) * plane.stride + x] =
          static_cast<std::uint8_t>(std::clamp(value, 0, 255));
    }
  return plane;
}

// The mean over the area output (i, j) covers, each source sample counted by its share.
double box_average(const Plane& plane, int i, int j, int width, int height) {
  const double x0 = double(i) * plane.width / width, x1 = double(i + 1) * plane.width / width;
  const double y0 = double(j) * plane.height / height, y1 = double(j + 1) * plane.height / height;
  double sum = 0;
  for (int y = int(y0); y < int(std::ceil(y1)); ++y)
    for (int x = int(x0); x < int(std::ceil(x1)); ++x) {
      const double wx = std::min<double>(x + 1, x1) - std::max<double>(x, x0);
      const double wy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
      sum += wx * wy * plane.at(x, y);
    }
  return sum / ((x1 - x0) * (y1 - y0));
}

struct Size {
  int width, height, chroma_shift_x, chroma_shift_y;
};

// Scaled samples are within one level of the exact box average, and a flat picture stays exactly
// flat whatever the ratio.
TEST(AreaScaler, MatchesTheBoxAverageWithinOneLevel) {
  const Size sizes[] = {{1920, 1080, 0, 0}, {1280, 720, 0, 0}, {641, 479, 0, 0}, {320, 240, 0, 0},
                        {333, 177, 0, 0},   {97, 61, 0, 0},    {7, 5, 0, 0},     {4096, 1, 0, 0}};
  std::mt19937 random(12);
  for (const Size& size : sizes) {
    const Plane in = make_plane(size.width, size.height, random);
    std::vector<std::uint8_t> out(320 * 240);
    AreaScaler scaler;
    scaler.scale(in.view(), {out.data(), 320, 240, 320});
    int worst = 0;
    for (int j = 0; j < 240; ++j)
      for (int i = 0; i < 320; ++i) {
        const double want = box_average(in, i, j, 320, 240);
        worst = std::max(worst, int(std::ceil(std::abs(out[j * 320 + i] - want) - 1e-9)));
      }
    EXPECT_LE(worst, 1) << size.width << " x " << size.height;
  }
  for (const int width : {1920, 999, 320, 13}) {
    const Plane in{width, 101, width, std::vector<std::uint8_t>(std::size_t(width) * 101, 201)};
    std::vector<std::uint8_t> out(320 * 240);
    AreaScaler().scale(in.view(), {out.data(), 320, 240, 320});
    EXPECT_EQ(std::count(out.begin(), out.end(), 201), 320 * 240) << width;
  }
}

// The AVX2 forms of the row loops give the same bytes as the plain forms: every column ratio the
// scaler has a loop of its own for, weighted columns, and each colour matrix and range.
TEST(KernelForms, VectorAndPlainGiveTheSameBytes) {
  if (best_kernel_form() != KernelForm::Vector) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 random(5);
  for (const int width : {320, 640, 960, 1280, 1920, 2560, 641, 97, 7}) {
    const Plane in = make_plane(width, 2 * 240 + 3, random);
    std::vector<std::uint8_t> plain(320 * 240), vector(320 * 240);
    AreaScaler(KernelForm::Plain).scale(in.view(), {plain.data(), 320, 240, 320});
    AreaScaler(KernelForm::Vector).scale(in.view(), {vector.data(), 320, 240, 320});
    EXPECT_EQ(plain, vector) << width;
  }
  const Plane yuv = make_plane(1001, 3, random);
  for (const auto matrix : {YuvMatrix::Bt601, YuvMatrix::Bt709})
    for (const bool full : {false, true}) {
      std::vector<std::uint8_t> plain(3 * 1001), vector(3 * 1001);
      const std::uint8_t* rows = yuv.samples.data();
      YuvToBgr(matrix, full, KernelForm::Plain)
          .convert_row(rows, rows + yuv.stride, rows + 2 * yuv.stride, plain.data(), 1001);
      YuvToBgr(matrix, full, KernelForm::Vector)
          .convert_row(rows, rows + yuv.stride, rows + 2 * yuv.stride, vector.data(), 1001);
      EXPECT_EQ(plain, vector) << full;
    }
}

struct Colour {
  double blue, green, red;
};

Colour reference_colour(double y, double u, double v, YuvMatrix matrix, bool full) {
  const double kr = matrix == YuvMatrix::Bt709 ? 0.2126 : 0.299;
  const double kb = matrix == YuvMatrix::Bt709 ? 0.0722 : 0.114;
  const double luma = full ? y / 255 : (y - 16) / 219;
  const double pb = (u - 128) / (full ? 255.0 : 224.0), pr = (v - 128) / (full ? 255.0 : 224.0);
  const double red = luma + 2 * (1 - kr) * pr, blue = luma + 2 * (1 - kb) * pb;
  const double green = (luma - kr * red - kb * blue) / (1 - kr - kb);
  auto level = [](double c) { return std::clamp(c * 255, 0.0, 255.0); };
  return {level(blue), level(green), level(red)};
}

// The whole frame: subsampled chroma of odd pictures, both matrices and ranges, upright rows.
TEST(YuvFrameScaler, FrameMatchesTheReferenceWithinFourLevels) {
  const Size sizes[] = {
      {1920, 1080, 1, 1}, {1281, 721, 1, 1}, {640, 480, 1, 0}, {175, 143, 1, 1}, {352, 288, 0, 0}};
  std::mt19937 random(7);
  for (const Size& size : sizes)
    for (const auto matrix : {YuvMatrix::Bt601, YuvMatrix::Bt709}) {
      const bool full = matrix == YuvMatrix::Bt709;
      const int cw = (size.width + size.chroma_shift_x) >> size.chroma_shift_x;
      const int ch = (size.height + size.chroma_shift_y) >> size.chroma_shift_y;
      const Plane y = make_plane(size.width, size.height, random);
      const Plane u = make_plane(cw, ch, random), v = make_plane(cw, ch, random);
      YuvFrameScaler scaler;
      auto frame = std::make_unique<Frame>();
      ASSERT_TRUE(scaler.scale({y.view(), u.view(), v.view(), matrix, full}, *frame));
      double worst = 0;
      for (int j = 0; j < 240; ++j)
        for (int i = 0; i < 320; ++i) {
          const Colour want =
              reference_colour(box_average(y, i, j, 320, 240), box_average(u, i, j, 320, 240),
                               box_average(v, i, j, 320, 240), matrix, full);
          const testing::Bgr got = testing::pixel_at(*frame, i, j);
          worst = std::max({worst, std::abs(got.blue - want.blue), std::abs(got.green - want.green),
                            std::abs(got.red - want.red)});
        }
      // A level of Y and of U moves blue by up to 1.16 + 2.02 levels (limited range); with the
      // conversion's own rounding the bound is 3.7.
      EXPECT_LE(worst, 3.7) << size.width << " x " << size.height << " full " << full;
    }
}

// A picture compared with the last one: each result, repeated or scaled anew, is what a fresh
// scaler makes of it, whichever sample of which plane, matrix or range differs.
TEST(YuvFrameScaler, RepeatedPictureGivesTheFreshFrame) {
  std::mt19937 random(11);
  const Plane y = make_plane(640, 480, random), u = make_plane(320, 240, random),
              v = make_plane(320, 240, random);
  Plane last_luma = y, first_blue = u, middle_red = v, narrower = y;
  last_luma.samples[static_cast<std::size_t>(479) * y.stride + 639] ^= 1;
  first_blue.samples[0] ^= 1;
  middle_red.samples[static_cast<std::size_t>(120) * v.stride + 160] ^= 1;
  narrower.width = 639;
  const YuvPicture still{y.view(), u.view(), v.view(), YuvMatrix::Bt601, false};
  const YuvPicture pictures[] = {still,
                                 still,
                                 {last_luma.view(), u.view(), v.view(), YuvMatrix::Bt601, false},
                                 still,
                                 {y.view(), first_blue.view(), v.view(), YuvMatrix::Bt601, false},
                                 {y.view(), u.view(), middle_red.view(), YuvMatrix::Bt601, false},
                                 {narrower.view(), u.view(), v.view(), YuvMatrix::Bt601, false},
                                 {y.view(), u.view(), v.view(), YuvMatrix::Bt709, false},
                                 {y.view(), u.view(), v.view(), YuvMatrix::Bt709, true},
                                 still};
  YuvFrameScaler scaler;
  auto frame = std::make_unique<Frame>(), want = std::make_unique<Frame>();
  for (std::size_t i = 0; i < std::size(pictures); ++i) {
    ASSERT_TRUE(scaler.scale(pictures[i], *frame, i > 0 ? &pictures[i - 1] : nullptr));
    ASSERT_TRUE(YuvFrameScaler().scale(pictures[i], *want));
    ASSERT_EQ(std::memcmp(frame->pixels, want->pixels, sizeof want->pixels), 0) << "picture " << i;
  }
}

}  // namespace
}  // namespace zentrik
