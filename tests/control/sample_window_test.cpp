// The sample window of a zone: the worked examples, and random rectangles over the whole 16-bit
// range against a direct reading of the rule (grid points from the zone's second column and
// row, never grid line 1, never past column 317 or row 217).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "control/SampleWindow.h"
#include "zentrik/control/SampleTable.h"

namespace zentrik {
namespace {

struct WindowCase {
  const char* what;
  Long left, top, width, height;
  Long cs, ce, rs, re;
  Long points;
};

class SampleWindowExamples : public ::testing::TestWithParam<WindowCase> {};

TEST_P(SampleWindowExamples, MatchesTheWorkedExample) {
  const WindowCase& c = GetParam();
  const SampleWindow w = sample_window(c.left, c.top, c.width, c.height);
  EXPECT_EQ(w.points(), c.points) << c.what;
  if (c.points > 0) {
    EXPECT_EQ(w.cs, c.cs) << c.what;
    EXPECT_EQ(w.ce, c.ce) << c.what;
    EXPECT_EQ(w.rs, c.rs) << c.what;
    EXPECT_EQ(w.re, c.re) << c.what;
  } else {
    EXPECT_TRUE(w.empty()) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SampleWindowExamples,
    ::testing::Values(
        WindowCase{"10,10 20x20", 10, 10, 20, 20, 13, 29, 13, 29, 25},
        WindowCase{"whole frame", 0, 0, 320, 240, 5, 317, 5, 217, 79 * 54},
        WindowCase{"right of the frame", 400, 0, 10, 240, 317, 317, 5, 217, 54},
        WindowCase{"below the frame", 0, 300, 320, 7, 5, 317, 217, 217, 79},
        WindowCase{"left 2 width 3", 2, 0, 3, 240, 0, 0, 0, 0, 0},
        WindowCase{"zero size", 50, 50, 0, 0, 0, 0, 0, 0, 0},
        WindowCase{"negative size", 50, 50, -20, -20, 0, 0, 0, 0, 0},
        WindowCase{"on a grid line", 4, 4, 2, 2, 5, 5, 5, 5, 1},
        WindowCase{"first column only", 0, 0, 2, 2, 0, 0, 0, 0, 0},
        WindowCase{"last column 317 exactly", 300, 200, 18, 18, 301, 317, 201, 217, 25},
        WindowCase{"16-bit extremes", 32767, 32767, 32767, 32767, 317, 317, 217, 217, 1},
        WindowCase{"far left, reaching in", -32768, -32768, 32767, 32767, 5, 0, 5, 0, 0},
        WindowCase{"3 columns, 1 row", 10, 10, 12, 4, 13, 21, 13, 13, 3}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// The grid lines of the span first..last that the rule allows.
std::vector<Long> reference_lines(std::int64_t first, std::int64_t last, Long lowest,
                                  Long highest) {
  std::vector<Long> lines;
  const std::int64_t from = std::max<std::int64_t>(lowest, std::min<std::int64_t>(first, highest));
  for (Long v = lowest; v <= highest; v += kSampleStep) {
    if (v >= from && v <= last) lines.push_back(v);
  }
  return lines;
}

TEST(SampleWindowFuzz, RandomRectanglesMatchTheDirectRule) {
  std::mt19937 rng(20240601);
  std::uniform_int_distribution<int> any16(-32768, 32767);
  std::uniform_int_distribution<int> near(-40, 360);
  std::uniform_int_distribution<int> size(-10, 400);
  for (int i = 0; i < 20000; ++i) {
    const bool wide = i % 4 == 0;
    const Long left = wide ? any16(rng) : near(rng);
    const Long top = wide ? any16(rng) : near(rng);
    const Long width = wide ? any16(rng) : size(rng);
    const Long height = wide ? any16(rng) : size(rng);
    const SampleWindow w = sample_window(left, top, width, height);
    const auto columns =
        reference_lines(std::int64_t{left} + 1, std::int64_t{left} + width - 1, 5, 317);
    const auto rows =
        reference_lines(std::int64_t{top} + 1, std::int64_t{top} + height - 1, 5, 217);
    ASSERT_EQ(w.points(), static_cast<Long>(columns.size() * rows.size()))
        << left << "," << top << " " << width << "x" << height;
    if (!columns.empty() && !rows.empty()) {
      ASSERT_EQ(w.cs, columns.front());
      ASSERT_EQ(w.ce, columns.back());
      ASSERT_EQ(w.rs, rows.front());
      ASSERT_EQ(w.re, rows.back());
    }
  }
}

}  // namespace
}  // namespace zentrik
