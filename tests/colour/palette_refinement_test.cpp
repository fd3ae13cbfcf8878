// Palette work over an image's colour histogram: counting, the octree's root octants, topping a
// palette up to an exact count, and k-means rounds that only ever lower the error here.
#include "zentrik/colour/PaletteRefinement.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace zentrik {
namespace {

std::uint32_t colour(int red, int green, int blue) {
  return static_cast<std::uint32_t>(blue | (green << 8) | (red << 16));
}

// Pixels (blue, green, red) in one row, padded to a multiple of 4 bytes.
std::vector<std::uint8_t> row_of(const std::vector<std::uint32_t>& colours) {
  std::vector<std::uint8_t> bytes((3 * colours.size() + 3) / 4 * 4, 0);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    bytes[3 * i] = static_cast<std::uint8_t>(colours[i]);
    bytes[3 * i + 1] = static_cast<std::uint8_t>(colours[i] >> 8);
    bytes[3 * i + 2] = static_cast<std::uint8_t>(colours[i] >> 16);
  }
  return bytes;
}

std::vector<ColourCount> histogram_of(const std::vector<std::uint32_t>& colours) {
  const auto bytes = row_of(colours);
  return colour_histogram(ConstByteView(bytes.data(), static_cast<std::ptrdiff_t>(bytes.size()), 1),
                          static_cast<Long>(colours.size()), 1);
}

TEST(PaletteRefinement, HistogramCountsEachColourInOrder) {
  const auto histogram = histogram_of(
      {colour(9, 0, 0), colour(0, 0, 1), colour(9, 0, 0), colour(0, 0xFF, 0), colour(9, 0, 0)});
  ASSERT_EQ(histogram.size(), 3u);
  EXPECT_EQ(histogram[0].colour, colour(0, 0, 1));
  EXPECT_EQ(histogram[1].colour, colour(0, 0xFF, 0));
  EXPECT_EQ(histogram[2].colour, colour(9, 0, 0));
  EXPECT_EQ(histogram[2].count, 3u);
}

TEST(PaletteRefinement, RootOctantsSplitAbove128) {
  EXPECT_EQ(occupied_root_octants(histogram_of({colour(128, 128, 128), colour(0, 0, 0)})), 1);
  EXPECT_EQ(occupied_root_octants(histogram_of(
                {colour(129, 0, 0), colour(0, 129, 0), colour(0, 0, 129), colour(255, 255, 255)})),
            4);
}

// Topping up keeps the entries there and reaches the count exactly, or every colour there is.
TEST(PaletteRefinement, CompleteReachesTheCountAndKeepsTheEntries) {
  std::mt19937 random(5);
  std::vector<std::uint32_t> pixels(500);
  for (auto& p : pixels) p = random() & 0xFFFFFFu;
  const auto histogram = histogram_of(pixels);
  const std::vector<PaletteEntry> start = {{10, 20, 30, 0}, {200, 100, 50, 0}};
  for (std::size_t count : {2u, 3u, 17u, 64u, 600u}) {
    std::vector<PaletteEntry> palette = start;
    complete_palette(palette, histogram, count);
    EXPECT_EQ(palette.size(), std::min(count, histogram.size())) << count;
    EXPECT_TRUE(std::equal(start.begin(), start.end(), palette.begin())) << count;
    std::set<std::uint32_t> distinct;
    for (const PaletteEntry& e : palette) distinct.insert(colour(e.red, e.green, e.blue));
    EXPECT_EQ(distinct.size(), palette.size()) << count;
  }
}

TEST(PaletteRefinement, KMeansFindsTwoClustersAndLowersTheError) {
  std::vector<std::uint32_t> pixels;
  for (int i = 0; i < 40; ++i) pixels.push_back(colour(10 + i % 3, 10, 10));    // mean 11
  for (int i = 0; i < 40; ++i) pixels.push_back(colour(200, 100 + i % 5, 50));  // mean 102
  const auto histogram = histogram_of(pixels);
  std::vector<PaletteEntry> palette = {{0, 0, 0, 0}, {250, 110, 60, 0}, {12, 10, 10, 0}};
  keep_most_used(palette, histogram, 2);
  EXPECT_EQ(palette,
            (std::vector<PaletteEntry>{{250, 110, 60, 0}, {12, 10, 10, 0}}));  // black serves none
  std::uint64_t before = squared_error(palette, histogram);
  for (int round = 0; round < 4; ++round) {
    refine_palette(palette, histogram, 1);
    const std::uint64_t after = squared_error(palette, histogram);
    EXPECT_LE(after, before) << round;
    before = after;
  }
  EXPECT_EQ(palette, (std::vector<PaletteEntry>{{200, 102, 50, 0}, {11, 10, 10, 0}}));
}

// Reseating keeps the count and never raises the error; on scattered colours it lowers it.
TEST(PaletteRefinement, ReseatingKeepsTheCountAndLowersTheError) {
  std::mt19937 random(9);
  std::vector<std::uint32_t> pixels(3000);
  for (auto& p : pixels) p = random() & 0xFFFFFFu;
  const auto histogram = histogram_of(pixels);
  std::vector<PaletteEntry> palette;
  for (int i = 0; i < 32; ++i)  // a poor start: all in one corner
    palette.push_back({static_cast<Byte>(i), static_cast<Byte>(i), 0, 0});
  const std::uint64_t before = squared_error(palette, histogram);
  reseat_palette(palette, histogram, 4, 3);
  EXPECT_EQ(palette.size(), 32u);
  EXPECT_LT(squared_error(palette, histogram), before);
}

}  // namespace
}  // namespace zentrik
