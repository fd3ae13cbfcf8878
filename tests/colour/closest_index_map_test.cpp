// ClosestIndexMap against the plain scan: random palettes with duplicates and ties, the 765
// rule, the fallback without cut-off, and every colour for standard palettes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "colour/ClosestIndexMap.h"
#include "colour_test_support.h"
#include "zentrik/colour/cPalette.h"

namespace zentrik {
namespace {

using testing::Rgb;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Palettes drawn from few values so that duplicates and equal distances are common, tightly
// clustered ones (long candidate lists, the plain-scan fallback), and ones of more than 255
// colours (lists kept outside the cells).
std::vector<PaletteEntry> RandomPalette(std::mt19937& random) {
  const int size = 1 + int(random() % 600);
  const int mode = int(random() % 5);
  std::vector<PaletteEntry> palette;
  for (int i = 0; i < size; ++i) {
    auto pick = [&] {
      switch (mode) {
        case 0:
        case 1:
          return Byte(random() % 256);
        case 2:
          return Byte(random() % 8 + 100);  // a cluster
        default:
          return Byte((random() % 4) * 85);
      }
    };
    const Byte r = pick(), g = pick(), b = pick();
    palette.push_back(Rgb(r, g, b));
    if (random() % 8 == 0) palette.push_back(Rgb(r, g, b));  // a duplicate
  }
  return palette;
}

TEST(ClosestIndexMap, MatchesThePlainScanOnRandomPalettes) {
  std::mt19937 random(7);
  for (int round = 0; round < 150; ++round) {
    const std::vector<PaletteEntry> palette = RandomPalette(random);
    ClosestIndexMap map(palette);
    for (int q = 0; q < 2000; ++q) {
      const unsigned v = random();
      const Byte r = Byte(v), g = Byte(v >> 8), b = Byte(v >> 16);
      ASSERT_EQ(map.ClosestIndex(r, g, b), ClosestIndexByScan(palette, r, g, b))
          << "round " << round << " colour " << int(r) << "," << int(g) << "," << int(b);
    }
    for (const PaletteEntry& e : palette)  // exact matches, and the corners
      ASSERT_EQ(map.ClosestIndex(e.red, e.green, e.blue),
                ClosestIndexByScan(palette, e.red, e.green, e.blue));
    for (int corner = 0; corner < 8; ++corner) {
      const Byte r = corner & 1 ? 255 : 0, g = corner & 2 ? 255 : 0, b = corner & 4 ? 255 : 0;
      ASSERT_EQ(map.ClosestIndex(r, g, b), ClosestIndexByScan(palette, r, g, b));
    }
  }
}

// The plain scan without the 765 cut-off: lowest entry at the smallest distance.
ClosestIndexMap::Match NearestByScan(const std::vector<PaletteEntry>& palette, Byte r, Byte g,
                                     Byte b) {
  ClosestIndexMap::Match best{0, 765, 0};
  int bestDistance = 1 << 20;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const PaletteEntry& e = palette[i];
    const int d = std::abs(r - e.red) + std::abs(g - e.green) + std::abs(b - e.blue);
    if (d < bestDistance) {
      bestDistance = d;
      best = {Long(i + 1), std::uint32_t(d), ClosestIndexMap::ColourOf(e.red, e.green, e.blue)};
    }
  }
  return best;
}

void ExpectSameMatch(ClosestIndexMap& map, const std::vector<PaletteEntry>& palette, Byte r, Byte g,
                     Byte b) {
  const ClosestIndexMap::Match fast = map.Nearest(r, g, b), plain = NearestByScan(palette, r, g, b);
  ASSERT_EQ(fast.index, plain.index) << int(r) << "," << int(g) << "," << int(b);
  ASSERT_EQ(fast.distance, plain.distance) << int(r) << "," << int(g) << "," << int(b);
  ASSERT_EQ(fast.colour, plain.colour) << int(r) << "," << int(g) << "," << int(b);
  // A colour whose cell holds slots: comparing the slot colours picks the same colour.
  const std::uint32_t word = map.SlotWord(r, g, b);
  ASSERT_EQ(map.ReadySlotWord(r, g, b), word);
  if (word == 0) return;
  const std::uint32_t* colours = map.SlotColours();
  const std::uint32_t key = ClosestIndexMap::SlotKey(
      colours[word & 0xFFu], colours[(word >> 8) & 0xFFu], colours[(word >> 16) & 0xFFu],
      colours[word >> 24], ClosestIndexMap::ColourOf(r, g, b));
  ASSERT_EQ(key >> 2, plain.distance);
  ASSERT_EQ(colours[(word >> (8 * (key & 3u))) & 0xFFu], plain.colour);
}

// Nearest (no cut-off) and the slot words against the plain scan, including palettes clustered
// enough that cells are split in parts, parts keep lists, and palettes of more than 255 colours
// (entries without a slot number).
TEST(ClosestIndexMap, NearestMatchesThePlainScanOnRandomPalettes) {
  std::mt19937 random(23);
  for (int round = 0; round < 120; ++round) {
    std::vector<PaletteEntry> palette = RandomPalette(random);
    if (round % 3 == 0) {  // a dense cloud around one colour: long lists, split cells
      const int centre = int(random() % 200) + 20, size = 40 + int(random() % 300);
      for (int i = 0; i < size; ++i)
        palette.push_back(Rgb(Byte(centre + int(random() % 24) - 12),
                              Byte(centre + int(random() % 24) - 12),
                              Byte(centre + int(random() % 24) - 12)));
    }
    ClosestIndexMap map(palette);
    for (int q = 0; q < 1500; ++q) {
      const unsigned v = random();
      ExpectSameMatch(map, palette, Byte(v), Byte(v >> 8), Byte(v >> 16));
      if (::testing::Test::HasFatalFailure()) FAIL() << "round " << round;
      // And colours near the palette's, where cells hold most entries.
      const PaletteEntry& e = palette[random() % palette.size()];
      const auto near = [&](Byte c) {
        return Byte(std::clamp(int(c) + int(random() % 9) - 4, 0, 255));
      };
      ExpectSameMatch(map, palette, near(e.red), near(e.green), near(e.blue));
      if (::testing::Test::HasFatalFailure()) FAIL() << "round " << round;
    }
  }
}

TEST(ClosestIndexMap, ReadySlotWordIsZeroUntilTheCellIsBuilt) {
  cPalette palette;
  palette.CreateHalfTone();
  ClosestIndexMap map(palette.entries());
  EXPECT_EQ(map.ReadySlotWord(10, 20, 30), 0u);
  EXPECT_NE(map.SlotWord(10, 20, 30), 0u);
  EXPECT_EQ(map.ReadySlotWord(10, 20, 30), map.SlotWord(10, 20, 30));
}

// The vector comparison of four slot colours against the plain loop, with equal distances and
// repeated colours made common.
TEST(ClosestIndexMap, SlotKeyMatchesThePlainComparison) {
  std::mt19937 random(5);
  const auto pick = [&](int mode) {
    const std::uint32_t v = random();
    if (mode == 0) return v & 0xFFFFFFu;
    std::uint32_t c = 0;
    for (int shift = 0; shift < 24; shift += 8) c |= ((random() % 3) * 127u) << shift;
    return c;
  };
  for (int i = 0; i < 200000; ++i) {
    const int mode = i % 2;
    const std::uint32_t c0 = pick(mode), c1 = i % 5 == 0 ? c0 : pick(mode), c2 = pick(mode),
                        c3 = i % 7 == 0 ? c2 : pick(mode), colour = pick(mode);
    ASSERT_EQ(ClosestIndexMap::SlotKey(c0, c1, c2, c3, colour),
              ClosestIndexMap::SlotKeyPlain(c0, c1, c2, c3, colour))
        << std::hex << c0 << " " << c1 << " " << c2 << " " << c3 << " " << colour;
  }
}

TEST(ClosestIndexMap, PalettesBeyondEntryNumbersOf16BitsUseThePlainScan) {
  std::vector<PaletteEntry> palette(70000, Rgb(3, 3, 3));
  palette[69990] = Rgb(200, 10, 10);
  ClosestIndexMap map(palette);
  EXPECT_EQ(map.ClosestIndex(190, 0, 0), 69991);
  EXPECT_EQ(map.ClosestIndex(3, 3, 3), 1);
  EXPECT_EQ(map.ClosestIndex(255, 255, 255), 69991);
  EXPECT_EQ(map.ClosestIndex(0, 0, 0), 1);
}

TEST(ClosestIndexMap, KeepsTheTieAndCutOffRules) {
  const std::vector<PaletteEntry> blackOnly{Rgb(0, 0, 0)};
  ClosestIndexMap black(blackOnly);
  EXPECT_EQ(black.ClosestIndex(255, 255, 255), 0);
  EXPECT_EQ(black.NearestIndex(255, 255, 255), 1);
  EXPECT_EQ(black.ClosestIndex(255, 255, 254), 1);

  const std::vector<PaletteEntry> twoWhites{Rgb(255, 255, 255), Rgb(255, 255, 255)};
  ClosestIndexMap whites(twoWhites);
  EXPECT_EQ(whites.ClosestIndex(0, 0, 0), 0);
  EXPECT_EQ(whites.NearestIndex(0, 0, 0), 1);

  const std::vector<PaletteEntry> tie{Rgb(0, 0, 0), Rgb(2, 0, 0)};
  ClosestIndexMap ties(tie);
  EXPECT_EQ(ties.ClosestIndex(1, 0, 0), 1);

  ClosestIndexMap empty(std::span<const PaletteEntry>{});
  EXPECT_EQ(empty.ClosestIndex(1, 2, 3), 0);
  EXPECT_EQ(empty.NearestIndex(1, 2, 3), 0);
}

TEST(ClosestIndexMap, NoticesChangedEntries) {
  cPalette palette;
  palette.CreateMono();
  const ClosestIndexMap map(palette.entries());
  EXPECT_TRUE(map.Matches(palette.entries()));
  palette.Add(1, 1, 1);
  EXPECT_FALSE(map.Matches(palette.entries()));
  palette.CreateMono();
  EXPECT_TRUE(map.Matches(palette.entries()));
  palette.Create16Colour();
  palette.CreateMono();
  palette.Clear();
  palette.Add(0, 0, 0);
  palette.Add(255, 255, 254);
  EXPECT_FALSE(map.Matches(palette.entries()));
}

// Every step-th colour of the cube (7 times fewer in sanitizer builds).
void ExpectEveryColourMatches(void (cPalette::*build)(), std::uint32_t step) {
  cPalette palette;
  (palette.*build)();
  ClosestIndexMap map(palette.entries());
  if (kSanitized) step *= 7;
  for (std::uint32_t v = 0; v < (1u << 24); v += step) {
    const Byte r = Byte(v), g = Byte(v >> 8), b = Byte(v >> 16);
    const Long fast = map.ClosestIndex(r, g, b);
    if (fast != palette.ClosestIndex(r, g, b))
      FAIL() << int(r) << "," << int(g) << "," << int(b) << ": " << fast;
  }
}

TEST(ClosestIndexMapEveryColour, SixteenColoursAllOfThem) {
  ExpectEveryColourMatches(&cPalette::Create16Colour, 1);
}

// The plain scan over 256 entries takes about 15 s for all colours; every 17th colour still
// visits every cell of the map many times over.
TEST(ClosestIndexMapEveryColour, HalfToneEverySeventeenth) {
  ExpectEveryColourMatches(&cPalette::CreateHalfTone, 17);
}

TEST(ClosestIndexMapEveryColour, WebSafeEverySeventeenth) {
  ExpectEveryColourMatches(&cPalette::CreateWebSafe, 17);
}

}  // namespace
}  // namespace zentrik
