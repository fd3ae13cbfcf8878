// Integer rules, error texts and system messages.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include <cerrno>
#include <cmath>

#include "zentrik/platform/automation.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  struct Case {
    double in, out;
  };
  const Case cases[] = {{2.5, 2}, {3.5, 4},   {-2.5, -2},       {-3.5, -4},    {0.5, 0},
                        {1.5, 2}, {-0.5, -0}, {2.4999, 2},      {2.5001, 3},   {-2.6, -3},
                        {7, 7},   {0, 0},     {32767.5, 32768}, {1e300, 1e300}};
  for (const Case& c : cases) EXPECT_EQ(round_half_even(c.in), c.out) << c.in;
}

TEST(RoundHalfEven, AgreesWithTheDefinitionOnRandomValuesAndHalves) {
  // Definition: the nearer whole number, or the even one of the two at exactly one half.
  auto reference = [](double v) {
    const double below = std::floor(v);
    const double fraction = v - below;
    if (fraction != 0.5) return fraction < 0.5 ? below : below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
  };
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> any(-70000.0, 70000.0);
  std::uniform_int_distribution<int> whole(-100000, 100000);
  for (int i = 0; i < 200000; ++i) {
    const double v = any(rng);
    ASSERT_EQ(round_half_even(v), reference(v)) << v;
    const double half = whole(rng) + 0.5;
    ASSERT_EQ(round_half_even(half), reference(half)) << half;
  }
  EXPECT_EQ(round_half_even(9007199254740993.0), 9007199254740993.0);  // past 2^53: unchanged
  EXPECT_EQ(round_half_even(-4503599627370497.0), -4503599627370497.0);
}

TEST(IntegerRules, WrapAndClip) {
  EXPECT_EQ(wrap_integer(32768), -32768);
  EXPECT_EQ(wrap_integer(-32769), 32767);
  EXPECT_EQ(wrap_integer(65536 + 5), 5);
  EXPECT_EQ(clip_integer(40000), 32767);
  EXPECT_EQ(clip_integer(-40000), -32768);
  EXPECT_EQ(to_boolean(true), -1);
  EXPECT_TRUE(is_true(1));
}

TEST(AutomationError, StandardTexts) {
  const std::pair<Long, const char*> cases[] = {
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {9, "Subscript out of range"},
      {13, "Type mismatch"},
      {17, "Can't perform requested operation"},
      {53, "File not found"},
      {75, "Path/File access error"},
      {380, "Invalid property value"},
      {438, "Object doesn't support this property or method"},
      {450, "Wrong number of arguments or invalid property assignment"},
      {1000, "Application-defined or object-defined error"},
  };
  for (const auto& [number, text] : cases) EXPECT_EQ(error_text(number), text) << number;
}

TEST(AutomationError, RaiseCarriesNumberSourceAndDescription) {
  try {
    raise_error(13, "here");
    FAIL() << "raise_error returned";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 13);
    EXPECT_EQ(e.source(), "here");
    EXPECT_EQ(e.description(), "Type mismatch");
    EXPECT_STREQ(e.what(), "Type mismatch");
  }
  try {
    raise_error(70, "x.cPalette", "Permission denied\r\n");
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 70);
    EXPECT_EQ(e.description(), "Permission denied\r\n");
  }
}

TEST(SystemMessage, EndsWithLineEndAndIsEmptyForUnknownCodes) {
  EXPECT_EQ(system_message(ENOENT), "No such file or directory\r\n");
  EXPECT_EQ(system_message(ENOSPC), "No space left on device\r\n");
  EXPECT_EQ(system_message(99999), "");
  EXPECT_EQ(system_message(-1), "");
}

}  // namespace
}  // namespace zentrik
