// The oracle the end-to-end tests compare against: its sample windows on the documented cases,
// and its events for pictures simple enough to count by hand.
#include <gtest/gtest.h>

#include "apps/zone_oracle.h"

namespace zentrik::testing {
namespace {

struct WindowCase {
  const char* name;
  int left, top, width, height;
  std::vector<int> columns;
  std::vector<int> rows;
};

class SampleWindowCases : public ::testing::TestWithParam<WindowCase> {};

TEST_P(SampleWindowCases, CoversTheDocumentedGridPoints) {
  const WindowCase& c = GetParam();
  const GridWindow w = sample_window(c.left, c.top, c.width, c.height);
  EXPECT_EQ(w.columns, c.columns);
  EXPECT_EQ(w.rows, c.rows);
}

std::vector<int> grid(int first, int last) {
  std::vector<int> v;
  for (int i = first; i <= last; i += 4) v.push_back(i);
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Zones, SampleWindowCases,
    ::testing::Values(
        WindowCase{"Small", 10, 10, 20, 20, {13, 17, 21, 25, 29}, {13, 17, 21, 25, 29}},
        WindowCase{"WholeFrame", 0, 0, 320, 240, grid(5, 317), grid(5, 217)},
        WindowCase{"RightOfTheFrame", 400, 0, 10, 10, {317}, {5, 9}},
        WindowCase{"TooNarrow", 2, 0, 3, 10, {}, {5, 9}},
        WindowCase{"OnTheGrid", 100, 100, 40, 40, grid(101, 137), grid(101, 137)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ZoneOracle, FirstFrameComparesAgainstBlackAndOnlyChangesReport) {
  // A white block covering the zone from frame 3 on: motion fires at 3, stops at 4; the colour
  // zone turns on at 3 and stays.
  const PointValue picture = [](std::int64_t frame, int x, int y) -> std::uint64_t {
    return frame >= 3 && x < 40 && y < 40 ? 0xFFFFFF : 0;
  };
  std::vector<ZoneSpec> zones = {
      {ZoneSpec::Kind::Motion, 1, 2, 0, 0, 40, 40, 0, 50},
      {ZoneSpec::Kind::Colour, 1, 1, 0, 0, 40, 40, 0xFFFFFF, 100},
  };
  const std::vector<ReportedEvent> events = expected_events(zones, 1, picture, 5);
  const std::vector<ReportedEvent> want = {
      {3, "color", 1, 1, true, 100, 0xFFFFFF},
      {3, "motion", 1, 2, true, 100, -1},
      {4, "motion", 1, 2, false, 0, -1},
  };
  EXPECT_EQ(events, want);
}

TEST(ZoneOracle, ThresholdIsReachedAtEqualityAndPercentageRoundsDown) {
  // Zone (10, 10, 20, 20) has 25 points; 5 of them (one column) white from frame 1: 20%.
  const PointValue picture = [](std::int64_t, int x, int) -> std::uint64_t {
    return x == 13 ? 0xFFFFFF : 0;
  };
  for (int threshold : {20, 21}) {
    std::vector<ZoneSpec> zones = {
        {ZoneSpec::Kind::Colour, 1, 1, 10, 10, 20, 20, 0xFFFFFF, threshold}};
    const auto events = expected_events(zones, 1, picture, 2);
    SCOPED_TRACE(threshold);
    if (threshold == 20) {
      ASSERT_EQ(events.size(), 1u);
      EXPECT_EQ(events[0].percentage, 20);
    } else {
      EXPECT_TRUE(events.empty());
    }
  }
}

TEST(ZoneOracle, OnlyTheActiveLayerAndDefinedZonesCount) {
  const PointValue picture = [](std::int64_t, int, int) -> std::uint64_t { return 0xFFFFFF; };
  std::vector<ZoneSpec> zones = {
      {ZoneSpec::Kind::Motion, 2, 1, 0, 0, 40, 40, 0, 5},
      {ZoneSpec::Kind::Motion, 1, 2, 0, 0, 40, 40, 0, 0},
  };
  EXPECT_TRUE(expected_events(zones, 1, picture, 3).empty());
}

TEST(ZoneOracle, ScriptLinesSpellTheZones) {
  EXPECT_EQ((ZoneSpec{ZoneSpec::Kind::Colour, 1, 3, 20, 190, 40, 30, 0x00FFFF, 50}.script_line()),
            "add_color_detection 1, 3, 20, 190, 40, 30, &H00FFFF, 50");
  EXPECT_EQ((ZoneSpec{ZoneSpec::Kind::Motion, 2, 4, 1, 2, 3, 4, 0, 5}.script_line()),
            "add_motion_detection 2, 4, 1, 2, 3, 4, 5");
}

}  // namespace
}  // namespace zentrik::testing
