// Zone counts from the summed-area tables against counting the window's points one by one, over
// random samples and random windows, including colours asked for again and after a reset.
#include <gtest/gtest.h>

#include <random>

#include "control/SampleGrid.h"
#include "control/SampleWindow.h"
#include "control/ZoneCounter.h"

namespace zentrik {
namespace {

Long brute_changed(const SampleTable& before, const SampleTable& now, const SampleWindow& w) {
  Long n = 0;
  if (w.empty()) return 0;
  for (Long x = w.cs; x <= w.ce; x += 4)
    for (Long y = w.rs; y <= w.re; y += 4) n += before(x, y) != now(x, y);
  return n;
}

Long brute_matching(const SampleTable& now, Long colour, const SampleWindow& w) {
  Long n = 0;
  if (w.empty()) return 0;
  for (Long x = w.cs; x <= w.ce; x += 4)
    for (Long y = w.rs; y <= w.re; y += 4) n += now(x, y) == colour;
  return n;
}

void randomise(SampleTable& table, std::mt19937& rng, int colours) {
  std::uniform_int_distribution<int> pick(0, colours - 1);
  for (Long c = 0; c < kSampleColumns; ++c)
    for (Long r = 0; r < kSampleRows; ++r) SampleGrid::at(table, c, r) = pick(rng) * 0x010203 - 1;
}

TEST(ZoneCounter, CountsEqualPointByPointCounts) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coordinate(-20, 340);
  std::uniform_int_distribution<int> extent(-5, 360);
  ZoneCounter counter;
  SampleTable before, now;
  for (int frame = 0; frame < 40; ++frame) {
    before = now;
    randomise(now, rng, 1 + frame % 5);
    counter.reset();
    for (int zone = 0; zone < 200; ++zone) {
      const SampleWindow w =
          sample_window(coordinate(rng), coordinate(rng), extent(rng), extent(rng));
      ASSERT_EQ(counter.changed_points(before, now, w), brute_changed(before, now, w));
      const Long colour = (zone % 6) * 0x010203 - 1;  // some present, one (5) mostly absent
      ASSERT_EQ(counter.matching_points(now, colour, w), brute_matching(now, colour, w));
    }
  }
}

TEST(ZoneCounter, ResetForgetsTheTablesOfTheFrameBefore) {
  SampleTable before, now;
  ZoneCounter counter;
  const SampleWindow all = sample_window(0, 0, 320, 240);
  EXPECT_EQ(counter.changed_points(before, now, all), 0);
  EXPECT_EQ(counter.matching_points(now, 0, all), 4266);
  SampleGrid::at(now, 10, 10) = 5;
  counter.reset();
  EXPECT_EQ(counter.changed_points(before, now, all), 1);
  EXPECT_EQ(counter.matching_points(now, 0, all), 4265);
  EXPECT_EQ(counter.matching_points(now, 5, all), 1);
}

TEST(ZoneCounter, ManyDistinctColoursInOneFrameStayExact) {
  SampleTable now;
  for (Long c = 0; c < kSampleColumns; ++c)
    for (Long r = 0; r < kSampleRows; ++r) SampleGrid::at(now, c, r) = c;
  ZoneCounter counter;
  const SampleWindow all = sample_window(0, 0, 320, 240);  // grid columns 1..79
  for (int round = 0; round < 3; ++round) {
    for (Long colour = 0; colour < 300; ++colour) {
      const Long expected = colour >= 1 && colour < kSampleColumns ? 54 : 0;
      ASSERT_EQ(counter.matching_points(now, colour, all), expected) << colour;
    }
  }
}

}  // namespace
}  // namespace zentrik
