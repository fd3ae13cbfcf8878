// cPalette's standard palettes entry by entry: black and white, 16 colours, halftone, web-safe.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <tuple>
#include <vector>

#include "colour_test_support.h"
#include "zentrik/colour/cPalette.h"

namespace zentrik {
namespace {

using testing::Rgb;

const std::vector<PaletteEntry> kSixteen = {
    Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
    Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
    Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
    Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};

TEST(StandardPalettes, MonoIsBlackThenWhite) {
  cPalette palette;
  palette.Add(1, 2, 3);
  palette.CreateMono();
  EXPECT_EQ(palette.entries(), (std::vector<PaletteEntry>{Rgb(0, 0, 0), Rgb(255, 255, 255)}));
}

TEST(StandardPalettes, SixteenColoursInTableOrder) {
  cPalette palette;
  palette.Create16Colour();
  EXPECT_EQ(palette.entries(), kSixteen);
}

TEST(StandardPalettes, SixteenColoursOverALargerPaletteLeaveExactlySixteen) {
  cPalette palette;
  palette.CreateWebSafe();
  palette.Add(1, 1, 1);
  palette.Create16Colour();
  EXPECT_EQ(palette.Count(), 16);
  EXPECT_EQ(palette.entries(), kSixteen);
}

TEST(StandardPalettes, BuildersStartFromZeroedEntries) {
  cPalette palette;
  for (int i = 0; i < 300; ++i) palette.Add(7, 7, 7);
  palette.CreateHalfTone();
  for (Long i = 126; i <= 256; ++i)
    EXPECT_EQ(palette.entries()[static_cast<std::size_t>(i - 1)], Rgb(0, 0, 0)) << i;
  palette.CreateWebSafe();
  EXPECT_EQ(palette.entries()[255], Rgb(0, 0, 0));
}

TEST(StandardPalettes, HalfToneRunsRedFastestThenGreenThenBlue) {
  cPalette palette;
  palette.CreateHalfTone();
  ASSERT_EQ(palette.Count(), 256);
  const std::array<Byte, 5> levels{0, 64, 128, 192, 255};
  for (Long n = 1; n <= 125; ++n) {
    const auto k = static_cast<std::size_t>(n - 1);
    EXPECT_EQ(palette.entries()[k], Rgb(levels[k % 5], levels[k / 5 % 5], levels[k / 25])) << n;
  }
  EXPECT_EQ(palette.entries()[0], Rgb(0, 0, 0));
  EXPECT_EQ(palette.entries()[1], Rgb(64, 0, 0));
  EXPECT_EQ(palette.entries()[4], Rgb(255, 0, 0));
  EXPECT_EQ(palette.entries()[5], Rgb(0, 64, 0));
  EXPECT_EQ(palette.entries()[25], Rgb(0, 0, 64));
  EXPECT_EQ(palette.entries()[124], Rgb(255, 255, 255));
  for (std::size_t i = 125; i < 256; ++i) EXPECT_EQ(palette.entries()[i], Rgb(0, 0, 0)) << i + 1;
  EXPECT_EQ(palette.ClosestIndex(0, 0, 0), 1);
  EXPECT_EQ(palette.ClosestIndex(255, 255, 255), 125);
}

struct WebSafeSpot {
  Long entry;
  PaletteEntry colour;
};

TEST(StandardPalettes, WebSafeNamedEntries) {
  cPalette palette;
  palette.CreateWebSafe();
  ASSERT_EQ(palette.Count(), 256);
  const WebSafeSpot spots[] = {
      {1, Rgb(0, 0, 0)},         {2, Rgb(128, 0, 0)},   {8, Rgb(192, 192, 192)},
      {9, Rgb(51, 0, 0)},        {10, Rgb(102, 0, 0)},  {13, Rgb(0, 51, 0)},
      {216, Rgb(204, 255, 255)}, {217, Rgb(8, 8, 8)},   {247, Rgb(248, 248, 248)},
      {248, Rgb(128, 128, 128)}, {249, Rgb(255, 0, 0)}, {254, Rgb(0, 255, 255)},
      {255, Rgb(255, 255, 255)}, {256, Rgb(0, 0, 0)}};
  for (const WebSafeSpot& spot : spots)
    EXPECT_EQ(palette.entries()[static_cast<std::size_t>(spot.entry - 1)], spot.colour)
        << "entry " << spot.entry;
}

TEST(StandardPalettes, WebSafeCubeSkipsExactlyTheEightColoursHeldElsewhere) {
  cPalette palette;
  palette.CreateWebSafe();
  std::vector<PaletteEntry> expected;
  for (int b = 0; b <= 255; b += 51)
    for (int g = 0; g <= 255; g += 51)
      for (int r = 0; r <= 255; r += 51) expected.push_back(Rgb(Byte(r), Byte(g), Byte(b)));
  const std::set<std::tuple<int, int, int>> held = {{0, 0, 0},     {255, 255, 255}, {255, 0, 0},
                                                    {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
                                                    {255, 0, 255}, {0, 255, 255}};
  std::erase_if(expected, [&](const PaletteEntry& e) {
    return held.count({e.red, e.green, e.blue}) != 0;
  });
  ASSERT_EQ(expected.size(), 208u);
  const std::vector<PaletteEntry> cube(palette.entries().begin() + 8,
                                       palette.entries().begin() + 216);
  EXPECT_EQ(cube, expected);
  // Other colours summing to 255 or 510 stay in the cube.
  EXPECT_NE(std::find(cube.begin(), cube.end(), Rgb(51, 204, 0)), cube.end());
  EXPECT_NE(std::find(cube.begin(), cube.end(), Rgb(255, 204, 51)), cube.end());
  EXPECT_EQ(std::find(cube.begin(), cube.end(), Rgb(255, 255, 0)), cube.end());
}

TEST(StandardPalettes, WebSafeGreysAndBrightColours) {
  cPalette palette;
  palette.CreateWebSafe();
  for (Long i = 217; i <= 247; ++i) {
    const auto g = static_cast<Byte>(8 * (i - 216));
    EXPECT_EQ(palette.entries()[static_cast<std::size_t>(i - 1)], Rgb(g, g, g)) << i;
  }
  const std::vector<PaletteEntry> bright(palette.entries().begin() + 247,
                                         palette.entries().begin() + 255);
  EXPECT_EQ(bright, std::vector<PaletteEntry>(kSixteen.begin() + 8, kSixteen.end()));
  const std::vector<PaletteEntry> dark(palette.entries().begin(), palette.entries().begin() + 8);
  EXPECT_EQ(dark, std::vector<PaletteEntry>(kSixteen.begin(), kSixteen.begin() + 8));
  for (const PaletteEntry& e : palette.entries()) EXPECT_EQ(e.reserved, 0);
}

}  // namespace
}  // namespace zentrik
