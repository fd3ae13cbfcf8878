// Variant conversions: numbers, text, range errors and by-reference writes.
#include <gtest/gtest.h>

#include <functional>

#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/variant.h"

namespace zentrik {
namespace {

// The error number a call raises, or 0 when it raises nothing.
Long error_of(const std::function<void()>& call) {
  try {
    call();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

struct IntegerCase {
  Variant in;
  Integer out;
};

TEST(VariantConversion, ToIntegerRoundsHalvesToEven) {
  const IntegerCase cases[] = {
      {Variant(2.5), 2},
      {Variant(3.5), 4},
      {Variant(-2.5), -2},
      {Variant(-0.5), 0},
      {Variant(32767.4), 32767},
      {Variant(-32768.5), -32768},
      {Variant("  12 "), 12},
      {Variant("\t-3.5"), -4},
      {Variant("1e2"), 100},
      {Variant("+7"), 7},
      {Variant(".5"), 0},
      {Variant("1.5"), 2},
      {Variant(Long{-7}), -7},
      {Variant::boolean(true), -1},
      {Variant(), 0},
  };
  for (const IntegerCase& c : cases) EXPECT_EQ(c.in.to_integer(), c.out) << c.in.to_string();
}

struct ErrorCase {
  const char* name;
  std::function<void()> call;
  Long number;
};

TEST(VariantConversion, ErrorsAreTypeMismatchOrOverflow) {
  const ErrorCase cases[] = {
      {"empty text", [] { Variant("").to_integer(); }, 13},
      {"blanks", [] { Variant("   ").to_long(); }, 13},
      {"letters", [] { Variant("12a").to_integer(); }, 13},
      {"inner blank", [] { Variant("1 2").to_double(); }, 13},
      {"lone sign", [] { Variant("-").to_byte(); }, 13},
      {"bare exponent", [] { Variant("1e").to_double(); }, 13},
      {"hex", [] { Variant("0x10").to_long(); }, 13},
      {"integer high", [] { Variant(32767.5).to_integer(); }, 6},
      {"integer text high", [] { Variant("40000").to_integer(); }, 6},
      {"long high", [] { Variant(2147483647.5).to_long(); }, 6},
      {"long low", [] { Variant(-2147483649.0).to_long(); }, 6},
      {"byte 256", [] { Variant("256").to_byte(); }, 6},
      {"byte 255.5", [] { Variant("255.5").to_byte(); }, 6},
      {"byte -1", [] { Variant(Long{-1}).to_byte(); }, 6},
      {"double huge", [] { Variant("1e400").to_double(); }, 6},
      {"integer from long", [] { Variant(Long{70000}).to_integer(); }, 6},
      {"boolean text", [] { Variant("yes").to_boolean_value(); }, 13},
      {"picture from text", [] { Variant("x").to_picture(); }, 13},
  };
  for (const ErrorCase& c : cases) EXPECT_EQ(error_of(c.call), c.number) << c.name;
}

TEST(VariantConversion, ByteAcceptsTheWholeRangeAfterRounding) {
  EXPECT_EQ(Variant("255").to_byte(), 255);
  EXPECT_EQ(Variant("254.5").to_byte(), 254);
  EXPECT_EQ(Variant("-0.5").to_byte(), 0);
  EXPECT_EQ(Variant(" 0 ").to_byte(), 0);
}

TEST(VariantConversion, ToStringPrintsLikeTheRuntime) {
  const std::pair<Variant, const char*> cases[] = {
      {Variant(2.5), "2.5"},
      {Variant(3.0), "3"},
      {Variant(-0.25), "-0.25"},
      {Variant(0.1), "0.1"},
      {Variant(1e15), "1E+15"},
      {Variant(123456789012345.0), "123456789012345"},
      {Variant(0.0001), "0.0001"},
      {Variant(0.00001), "1E-05"},
      {Variant(1.5e-7), "1.5E-07"},
      {Variant(-0.0), "0"},
      {Variant(1.0 / 3), "0.333333333333333"},
      {Variant(Integer{-5}), "-5"},
      {Variant(Long{2561}), "2561"},
      {Variant::boolean(true), "True"},
      {Variant::boolean(false), "False"},
      {Variant(), ""},
  };
  for (const auto& [v, text] : cases) EXPECT_EQ(v.to_string(), text);
}

TEST(VariantConversion, BooleanFromNumbersAndWords) {
  EXPECT_EQ(Variant(Long{2}).to_boolean_value(), vbTrue);
  EXPECT_EQ(Variant(0.0).to_boolean_value(), vbFalse);
  EXPECT_EQ(Variant(" true ").to_boolean_value(), vbTrue);
  EXPECT_EQ(Variant("FALSE").to_boolean_value(), vbFalse);
  EXPECT_EQ(Variant("0.5").to_boolean_value(), vbTrue);
}

TEST(VariantTypes, ReportedThroughReferences) {
  Integer i = 1;
  Long l = 2;
  Boolean b = vbFalse;
  std::string s;
  EXPECT_EQ(Variant::ref(i).type(), Variant::Type::Integer);
  EXPECT_EQ(Variant::ref(l).type(), Variant::Type::Long);
  EXPECT_EQ(Variant::ref_boolean(b).type(), Variant::Type::Boolean);
  EXPECT_EQ(Variant::ref(s).type(), Variant::Type::String);
  EXPECT_TRUE(Variant::ref(i).is_ref());
  EXPECT_FALSE(Variant(i).is_ref());
  EXPECT_EQ(Variant(5).type(), Variant::Type::Long);
  EXPECT_TRUE(Variant().is_empty());
}

TEST(VariantReference, WritesThroughWithConversion) {
  Integer i = 0;
  Long l = 0;
  Boolean b = vbFalse;
  std::string s;
  Variant ri = Variant::ref(i), rl = Variant::ref(l), rb = Variant::ref_boolean(b),
          rs = Variant::ref(s);
  ri.assign(Variant("2.5"));
  rl.assign(Variant(3.5));
  rb.assign(Variant(Long{7}));
  rs.assign(Variant(0.5));
  EXPECT_EQ(i, 2);
  EXPECT_EQ(l, 4);
  EXPECT_EQ(b, vbTrue);
  EXPECT_EQ(s, "0.5");
  // Reads see later changes of the caller's variable.
  i = 9;
  EXPECT_EQ(ri.to_long(), 9);
  // A copy of a reference refers to the same variable.
  Variant copy = ri;
  copy.assign(Variant(Long{-3}));
  EXPECT_EQ(i, -3);
}

TEST(VariantReference, FailedConversionLeavesTheTargetAlone) {
  Integer i = 11;
  Variant ri = Variant::ref(i);
  EXPECT_EQ(error_of([&] { ri.assign(Variant("40000")); }), 6);
  EXPECT_EQ(error_of([&] { ri.assign(Variant("abc")); }), 13);
  EXPECT_EQ(i, 11);
}

TEST(VariantReference, AssigningAReferenceToAValueCopiesTheValue) {
  Long l = 5;
  Variant v;
  v.assign(Variant::ref(l));
  l = 6;
  EXPECT_FALSE(v.is_ref());
  EXPECT_EQ(v.to_long(), 5);
}

TEST(ParseNumber, AcceptsDecimalShapesOnly) {
  double out = -1;
  EXPECT_TRUE(parse_number("1.", out));
  EXPECT_EQ(out, 1.0);
  EXPECT_TRUE(parse_number("-1.25E+1", out));
  EXPECT_EQ(out, -12.5);
  EXPECT_TRUE(parse_number("1e-400", out));
  EXPECT_EQ(out, 0.0);
  EXPECT_FALSE(parse_number(".", out));
  EXPECT_FALSE(parse_number("1..2", out));
  EXPECT_FALSE(parse_number("inf", out));
  EXPECT_FALSE(parse_number("nan", out));
  EXPECT_FALSE(parse_number("--1", out));
}

}  // namespace
}  // namespace zentrik
