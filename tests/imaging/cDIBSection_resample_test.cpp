// Resample: hand-worked interpolation values (vertical first, each step rounded half to even),
// where the last target column and row sample, the equal-size copy, tiny sources that must not
// be read past, and the target that the source keeps and hands out again.
#include <gtest/gtest.h>

#include "imaging_test_support.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik {
namespace {

using testing_support::paint_camera_frame;

// Sets pixel (x, row) in memory order (row 0 = bottom row) to blue, green, red.
void set_memory_pixel(cDIBSection& dib, int x, int row, Byte blue, Byte green, Byte red) {
  const ByteView bits = dib.view();
  bits(3 * x, row) = blue;
  bits(3 * x + 1, row) = green;
  bits(3 * x + 2, row) = red;
}

struct Bgr {
  int blue, green, red;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};

Bgr memory_pixel(const cDIBSection& dib, int x, int row) {
  const ByteView bits = dib.view();
  return {bits(3 * x, row), bits(3 * x + 1, row), bits(3 * x + 2, row)};
}

void PrintTo(const Bgr& p, std::ostream* os) {
  *os << "(b " << p.blue << ", g " << p.green << ", r " << p.red << ")";
}

TEST(Resample, EachStepIsRoundedOnItsOwnVerticalFirstHalvesToEven) {
  // A 2 x 2 source resampled to 4 x 4: target (2, 2) lies halfway in both directions.
  cDIBSection dib;
  ASSERT_EQ(dib.Create(2, 2), vbTrue);
  // Per channel, A = (0, 0), B = (1, 0), C = (0, 1), D = (1, 1) in memory order.
  // blue:  A 0, B 2, C 1, D 3: left N(0.5) = 0, right N(2.5) = 2, value N(1) = 1
  //        (one rounding of the mean 1.5 would give 2).
  // green: A 3, B 5, C 4, D 6: left N(3.5) = 4, right N(5.5) = 6, value 5
  //        (horizontal first would give N(4.5) = 4).
  // red:   A 0, B 0, C 5, D 5: left = right = N(2.5) = 2 (halves up would give 3).
  set_memory_pixel(dib, 0, 0, 0, 3, 0);
  set_memory_pixel(dib, 1, 0, 2, 5, 0);
  set_memory_pixel(dib, 0, 1, 1, 4, 5);
  set_memory_pixel(dib, 1, 1, 3, 6, 5);
  const auto target = dib.Resample(4, 4);
  ASSERT_NE(target, nullptr);
  ASSERT_EQ(target->Width(), 4);
  ASSERT_EQ(target->Height(), 4);
  EXPECT_EQ(memory_pixel(*target, 2, 2), (Bgr{1, 5, 2}));
  EXPECT_EQ(memory_pixel(*target, 0, 0), (Bgr{0, 3, 0})) << "target (0, 0) is source (0, 0)";
  // x = 1: fx = 0.25; y = 0: fy = 0. blue N(0.75 * 0 + 0.25 * 2) = N(0.5) = 0;
  // green N(0.75 * 3 + 0.25 * 5) = N(3.5) = 4; red 0.
  EXPECT_EQ(memory_pixel(*target, 1, 0), (Bgr{0, 4, 0}));
  // x = 3, y = 3: fx = fy = 0.75. blue: left N(0.25 * 0 + 0.75 * 1) = 1, right N(0.5 + 2.25) = 3,
  // value N(0.25 + 2.25) = N(2.5) = 2. green: left N(3.75) = 4, right N(5.75) = 6, value N(5.5)
  // = 6. red: left = right = N(3.75) = 4.
  EXPECT_EQ(memory_pixel(*target, 3, 3), (Bgr{2, 6, 4}));
}

TEST(Resample, TheLastColumnAndRowFallShortOfTheSourceEdge) {
  // Column x carries x in blue (low byte) and green (high byte), memory row r carries r in red.
  cDIBSection dib;
  ASSERT_EQ(dib.Create(320, 240), vbTrue);
  for (int row = 0; row < 240; ++row) {
    for (int x = 0; x < 320; ++x) {
      set_memory_pixel(dib, x, row, static_cast<Byte>(x & 0xFF), static_cast<Byte>(x >> 8),
                       static_cast<Byte>(row));
    }
  }
  const auto target = dib.Resample(120, 160);
  ASSERT_NE(target, nullptr);
  // xScale = 319 / 160: column 159 samples at 317.006, between source columns 317 and 318.
  EXPECT_EQ(memory_pixel(*target, 159, 0), (Bgr{317 & 0xFF, 1, 0}));
  // yScale = 239 / 120: row 119 samples at 237.008.
  EXPECT_EQ(memory_pixel(*target, 0, 119), (Bgr{0, 0, 237}));
  // Column 1 samples at 1.99375 (weight 0.99375 on column 2).
  EXPECT_EQ(memory_pixel(*target, 1, 1), (Bgr{2, 0, 2}));
}

struct SizeCase {
  Long sourceWidth, sourceHeight, width, height;
};

class ResampleUniform : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ResampleUniform, AUniformImageStaysUniformAtAnySize) {
  const SizeCase& c = GetParam();
  cDIBSection dib;
  ASSERT_EQ(dib.Create(c.sourceWidth, c.sourceHeight), vbTrue);
  for (int row = 0; row < c.sourceHeight; ++row) {
    for (int x = 0; x < c.sourceWidth; ++x) set_memory_pixel(dib, x, row, 17, 200, 93);
  }
  const auto target = dib.Resample(c.height, c.width);
  ASSERT_NE(target, nullptr);
  ASSERT_EQ(target->Width(), c.width);
  ASSERT_EQ(target->Height(), c.height);
  for (int row = 0; row < c.height; ++row) {
    for (int x = 0; x < c.width; ++x) {
      ASSERT_EQ(memory_pixel(*target, x, row), (Bgr{17, 200, 93})) << x << "," << row;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResampleUniform,
                         ::testing::Values(SizeCase{320, 240, 160, 120},
                                           SizeCase{320, 240, 640, 480}, SizeCase{320, 240, 1, 1},
                                           SizeCase{7, 3, 321, 17}, SizeCase{1, 1, 5, 4},
                                           SizeCase{1, 9, 6, 3}, SizeCase{9, 1, 3, 6},
                                           SizeCase{2, 2, 1, 7}));

TEST(Resample, ASourceOnePixelWideRepeatsItsColumn) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(1, 3), vbTrue);
  set_memory_pixel(dib, 0, 0, 0, 0, 0);
  set_memory_pixel(dib, 0, 1, 100, 50, 10);
  set_memory_pixel(dib, 0, 2, 200, 100, 20);
  const auto target = dib.Resample(4, 5);
  ASSERT_NE(target, nullptr);
  // yScale = 2 / 4: row 1 samples at 0.5, halfway between the first two rows.
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(memory_pixel(*target, x, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(memory_pixel(*target, x, 1), (Bgr{50, 25, 5}));
    EXPECT_EQ(memory_pixel(*target, x, 2), (Bgr{100, 50, 10}));
    EXPECT_EQ(memory_pixel(*target, x, 3), (Bgr{150, 75, 15}));
  }
}

TEST(Resample, ASourceOnePixelHighRepeatsItsRow) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(3, 1), vbTrue);
  set_memory_pixel(dib, 0, 0, 0, 0, 0);
  set_memory_pixel(dib, 1, 0, 100, 50, 10);
  set_memory_pixel(dib, 2, 0, 200, 100, 20);
  const auto target = dib.Resample(3, 4);
  ASSERT_NE(target, nullptr);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(memory_pixel(*target, 0, row), (Bgr{0, 0, 0}));
    EXPECT_EQ(memory_pixel(*target, 1, row), (Bgr{50, 25, 5}));
    EXPECT_EQ(memory_pixel(*target, 3, row), (Bgr{150, 75, 15}));
  }
}

TEST(Resample, TheSourceSizeGivesAnExactCopy) {
  for (const auto& [width, height] : {std::pair{320, 240}, std::pair{1, 1}, std::pair{3, 5}}) {
    cDIBSection dib;
    ASSERT_EQ(dib.Create(width, height), vbTrue);
    paint_camera_frame(dib, 7);
    const auto target = dib.Resample(height, width);
    ASSERT_NE(target, nullptr);
    ASSERT_EQ(target->Width(), width);
    for (int row = 0; row < height; ++row) {
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(memory_pixel(*target, x, row), memory_pixel(dib, x, row));
      }
    }
  }
}

TEST(Resample, CallingTwiceReturnsTheSameObjectHoldingTheSecondResult) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(40, 30), vbTrue);
  paint_camera_frame(dib);
  const auto first = dib.Resample(10, 20);
  const auto second = dib.Resample(60, 80);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->Width(), 80);
  EXPECT_EQ(first->Height(), 60);
  EXPECT_EQ(memory_pixel(*first, 0, 0), memory_pixel(dib, 0, 0));
}

TEST(Resample, ATargetThatCannotBeMadeGivesNothing) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(4, 4), vbTrue);
  EXPECT_EQ(dib.Resample(0, 4), nullptr);
  EXPECT_EQ(dib.Resample(4, -1), nullptr);
  EXPECT_NE(dib.hdc(), 0) << "the source is untouched";
}

TEST(Resample, AnEmptySourceGivesNothing) {
  cDIBSection dib;
  EXPECT_EQ(dib.Resample(4, 4), nullptr);
  ASSERT_EQ(dib.Create(4, 4), vbTrue);
  dib.ClearUp();
  EXPECT_EQ(dib.Resample(4, 4), nullptr);
}

TEST(Resample, TheTargetOutlivesTheSourceWhileACallerHoldsIt) {
  std::shared_ptr<cDIBSection> target;
  {
    cDIBSection dib;
    ASSERT_EQ(dib.Create(8, 8), vbTrue);
    dib.RandomiseBits(vbFalse);
    target = dib.Resample(4, 4);
  }
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(memory_pixel(*target, 3, 3), (Bgr{0, 255, 255}));
}

}  // namespace
}  // namespace zentrik
