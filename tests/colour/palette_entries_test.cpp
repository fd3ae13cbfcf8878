// cPalette's entry list: Add, ClosestIndex with its ties and the 765 rule, reading entries back.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "colour_test_support.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

using testing::Rgb;

cPalette PaletteOf(const std::vector<PaletteEntry>& colours) {
  cPalette palette;
  for (const PaletteEntry& c : colours) palette.Add(c.red, c.green, c.blue);
  return palette;
}

TEST(PaletteEntries, NewAndClearedPalettesAreEmptyAndChooseNothing) {
  cPalette palette;
  EXPECT_EQ(palette.Count(), 0);
  EXPECT_EQ(palette.ClosestIndex(0, 0, 0), 0);
  palette.CreateWebSafe();
  palette.Clear();
  EXPECT_EQ(palette.Count(), 0);
  EXPECT_TRUE(palette.entries().empty());
  EXPECT_EQ(palette.ClosestIndex(12, 34, 56), 0);
}

TEST(PaletteEntries, AddKeepsTheLowEightBitsAndAppends) {
  cPalette palette;
  palette.Add(1, 2, 3);
  palette.Add(300, -1, 256);
  palette.Add(-256, 511, INT_MIN);
  ASSERT_EQ(palette.Count(), 3);
  EXPECT_EQ(palette.entries()[0], Rgb(1, 2, 3));
  EXPECT_EQ(palette.entries()[1], Rgb(44, 255, 0));
  EXPECT_EQ(palette.entries()[2], Rgb(0, 255, 0));
}

struct ClosestCase {
  const char* name;
  std::vector<PaletteEntry> palette;
  Long red, green, blue;
  Long expected;
};

class ClosestIndexCases : public ::testing::TestWithParam<ClosestCase> {};

TEST_P(ClosestIndexCases, ChoosesLikeTheLinearScan) {
  const ClosestCase& c = GetParam();
  const cPalette palette = PaletteOf(c.palette);
  EXPECT_EQ(palette.ClosestIndex(c.red, c.green, c.blue), c.expected);
}

const PaletteEntry kBlack = Rgb(0, 0, 0);
const PaletteEntry kWhite = Rgb(255, 255, 255);

INSTANTIATE_TEST_SUITE_P(
    Rules, ClosestIndexCases,
    ::testing::Values(
        ClosestCase{"MonoBelowHalfIsBlack", {kBlack, kWhite}, 127, 127, 127, 1},
        ClosestCase{"MonoFromHalfIsWhite", {kBlack, kWhite}, 128, 128, 128, 2},
        ClosestCase{"Sum382TiesNotBlackWins", {kBlack, kWhite}, 127, 127, 128, 1},
        ClosestCase{"Sum383IsWhite", {kBlack, kWhite}, 127, 128, 128, 2},
        ClosestCase{"Exactly765AwayIsNeverChosen", {kBlack}, 255, 255, 255, 0},
        ClosestCase{"Only764AwayIsChosen", {kBlack}, 255, 255, 254, 1},
        ClosestCase{"EveryEntry765AwayChoosesNone", {kWhite, kWhite}, 0, 0, 0, 0},
        ClosestCase{"TieGoesToTheLowerEntry", {Rgb(0, 0, 0), Rgb(2, 0, 0)}, 1, 0, 0, 1},
        ClosestCase{"TieAcrossChannels", {Rgb(5, 0, 0), Rgb(0, 5, 0)}, 0, 0, 0, 1},
        ClosestCase{"DuplicateExactMatchIsTheFirst", {Rgb(9, 9, 9), Rgb(9, 9, 9)}, 9, 9, 9, 1},
        ClosestCase{"ExactMatchBeatsAnEarlierNearOne",
                    {Rgb(10, 10, 10), Rgb(11, 10, 10), Rgb(11, 10, 10)},
                    11,
                    10,
                    10,
                    2},
        ClosestCase{
            "LaterStrictlyNearerWins", {Rgb(0, 0, 0), Rgb(100, 0, 0), Rgb(60, 0, 0)}, 70, 0, 0, 3},
        ClosestCase{"ArgumentsOutsideTheByteRange", {Rgb(255, 0, 0), Rgb(0, 0, 0)}, 300, 0, 0, 1},
        ClosestCase{"NegativeArgumentsNeverMatchExactly", {Rgb(255, 0, 0)}, -1, 0, 0, 1},
        ClosestCase{"HugeArgumentsChooseNothing", {kBlack, kWhite}, INT_MAX, INT_MIN, INT_MAX, 0}),
    [](const ::testing::TestParamInfo<ClosestCase>& info) { return info.param.name; });

TEST(PaletteEntries, ComponentsReadBackByOneBasedIndexOfAnyNumericVariant) {
  const cPalette palette = PaletteOf({Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(7, 8, 9)});
  EXPECT_EQ(palette.Red(Variant(Long{1})), 1);
  EXPECT_EQ(palette.Green(Variant(Integer{2})), 5);
  EXPECT_EQ(palette.Blue(Variant(3.0)), 9);
  EXPECT_EQ(palette.Red(Variant("2")), 4);
  EXPECT_EQ(palette.Red(Variant(2.5)), 4);  // 2.5 rounds to the even 2
  EXPECT_EQ(palette.Red(Variant(1.5)), 4);  // 1.5 rounds to the even 2
}

struct BadIndexCase {
  const char* name;
  Variant index;
  Long error;
};

class BadIndexCases : public ::testing::TestWithParam<BadIndexCase> {};

TEST_P(BadIndexCases, RaisesAndLeavesThePaletteAsItWas) {
  const cPalette palette = PaletteOf({Rgb(1, 2, 3), Rgb(4, 5, 6)});
  const BadIndexCase& c = GetParam();
  for (auto read : {&cPalette::Red, &cPalette::Green, &cPalette::Blue}) {
    try {
      (palette.*read)(c.index);
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.number(), c.error);
    }
  }
  EXPECT_EQ(palette.Count(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, BadIndexCases,
    ::testing::Values(BadIndexCase{"NotANumber", Variant("first"), errors::kTypeMismatch},
                      BadIndexCase{"Empty", Variant(), errors::kSubscriptOutOfRange},
                      BadIndexCase{"Zero", Variant(Long{0}), errors::kSubscriptOutOfRange},
                      BadIndexCase{"PastTheEnd", Variant(Long{3}), errors::kSubscriptOutOfRange},
                      BadIndexCase{"Negative", Variant(Long{-1}), errors::kSubscriptOutOfRange},
                      BadIndexCase{"TooLarge", Variant(1e12), errors::kOverflow}),
    [](const ::testing::TestParamInfo<BadIndexCase>& info) { return info.param.name; });

}  // namespace
}  // namespace zentrik
