// Parsing control scripts: statements and values, comments and line ends, and every fault with
// its line and column.
#include <gtest/gtest.h>

#include "zentrik/script/ControlScript.h"

namespace zentrik {
namespace {

const std::vector<NamedConstant> kDepths = {{"low", 16}, {"medium", 256}, {"high", 65535}};

ControlScript parse(std::string_view text) {
  return ControlScript::parse(text, "script.txt", kDepths);
}

TEST(ControlScriptParse, ReadsWritesCallsCommentsAndBlankLines) {
  const ControlScript script = parse(
      "' the demo zones\n"
      "\n"
      "layer = 1   # first layer\n"
      "  colordepth=medium\n"
      "add_motion_detection 1, 1, 10, 10, 100, 80, 20\n"
      "\tsave_picture \"shot.jpg\", True ' a comment after it\n"
      "clear_all\n"
      "   # indented comment\n");
  ASSERT_TRUE(script.ok()) << script.messages()[0];
  const auto& s = script.statements();
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[0].kind, ScriptStatement::Kind::PropertyWrite);
  EXPECT_EQ(s[0].member, "layer");
  EXPECT_EQ(s[0].line, 3);
  EXPECT_EQ(s[0].column, 1);
  EXPECT_EQ(s[1].member, "colordepth");
  EXPECT_EQ(s[1].column, 3);
  ASSERT_EQ(s[1].arguments.size(), 1u);
  EXPECT_EQ(s[1].arguments[0].number, 256);
  EXPECT_EQ(s[2].kind, ScriptStatement::Kind::MethodCall);
  ASSERT_EQ(s[2].arguments.size(), 7u);
  EXPECT_EQ(s[2].arguments[4].number, 100);
  EXPECT_EQ(s[2].arguments[4].column, 36);
  EXPECT_EQ(s[3].member, "save_picture");
  EXPECT_EQ(s[3].column, 2);
  ASSERT_EQ(s[3].arguments.size(), 2u);
  EXPECT_EQ(s[3].arguments[0].text, "shot.jpg");
  EXPECT_EQ(s[3].arguments[1].kind, ScriptValue::Kind::Boolean);
  EXPECT_TRUE(s[3].arguments[1].boolean);
  EXPECT_EQ(s[4].member, "clear_all");
  EXPECT_TRUE(s[4].arguments.empty());
  EXPECT_EQ(s[4].line, 7);
}

TEST(ControlScriptParse, WindowsLineEndsAndAByteOrderMark) {
  const ControlScript script = parse("\xEF\xBB\xBFlayer = 2\r\nclear_all\r\n\r\nactive = False");
  ASSERT_TRUE(script.ok());
  ASSERT_EQ(script.statements().size(), 3u);
  EXPECT_EQ(script.statements()[0].column, 1);
  EXPECT_EQ(script.statements()[1].member, "clear_all");
  EXPECT_EQ(script.statements()[2].line, 4);
}

TEST(ControlScriptParse, EmptyTextHasNoStatements) {
  EXPECT_TRUE(parse("").ok());
  EXPECT_TRUE(parse("").statements().empty());
  EXPECT_TRUE(parse("\n\n   \n' only comments\n#\n").statements().empty());
}

struct ValueCase {
  const char* text;
  ScriptValue::Kind kind;
  Long number;
  bool boolean;
  const char* string;
};

class ControlScriptValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ControlScriptValue, ParsesToItsValue) {
  const ControlScript script = parse(std::string("x = ") + GetParam().text);
  ASSERT_TRUE(script.ok()) << script.messages()[0];
  const ScriptValue& value = script.statements().at(0).arguments.at(0);
  EXPECT_EQ(value.kind, GetParam().kind);
  EXPECT_EQ(value.column, 5);
  EXPECT_EQ(value.number, GetParam().number);  // 0 unless a number
  EXPECT_EQ(value.boolean, GetParam().boolean);
  EXPECT_EQ(value.text, GetParam().string);
}

using K = ScriptValue::Kind;
INSTANTIATE_TEST_SUITE_P(
    Values, ControlScriptValue,
    ::testing::Values(
        ValueCase{"0", K::Number, 0, false, ""}, ValueCase{"12", K::Number, 12, false, ""},
        ValueCase{"+12", K::Number, 12, false, ""},
        ValueCase{"-32768", K::Number, -32768, false, ""},
        ValueCase{"32768", K::Number, 32768, false, ""},
        ValueCase{"2147483647", K::Number, 2147483647, false, ""},
        ValueCase{"-2147483648", K::Number, -2147483647 - 1, false, ""},
        ValueCase{"007", K::Number, 7, false, ""}, ValueCase{"&H0000FF", K::Number, 255, false, ""},
        ValueCase{"&hff00", K::Number, 65280, false, ""},
        ValueCase{"&HFF&", K::Number, 255, false, ""},
        ValueCase{"&H7FFFFFFF", K::Number, 2147483647, false, ""},
        ValueCase{"&HFFFFFFFF", K::Number, -1, false, ""},
        ValueCase{"&H0000000000FF", K::Number, 255, false, ""},
        ValueCase{"True", K::Boolean, 0, true, ""}, ValueCase{"false", K::Boolean, 0, false, ""},
        ValueCase{"TRUE", K::Boolean, 0, true, ""}, ValueCase{"medium", K::Number, 256, false, ""},
        ValueCase{"HIGH", K::Number, 65535, false, ""},
        ValueCase{"\"shot.jpg\"", K::String, 0, false, "shot.jpg"},
        ValueCase{"\"\"", K::String, 0, false, ""},
        ValueCase{"\"say \"\"hi\"\"\"", K::String, 0, false, "say \"hi\""},
        ValueCase{"\"a ' b # c, d\"", K::String, 0, false, "a ' b # c, d"},
        ValueCase{"\"C:\\snaps\\zone 1.bmp\"", K::String, 0, false, "C:\\snaps\\zone 1.bmp"}));

struct FaultCase {
  const char* text;
  const char* message;
};

class ControlScriptFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ControlScriptFault, NamesLineColumnAndWhat) {
  const ControlScript script = parse(GetParam().text);
  ASSERT_FALSE(script.ok());
  ASSERT_EQ(script.messages().size(), 1u);
  EXPECT_EQ(script.messages()[0], GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ControlScriptFault,
    ::testing::Values(
        FaultCase{"1 = 2", "script.txt:1:1: expected a member name"},
        FaultCase{"  @layer = 1", "script.txt:1:3: expected a member name"},
        FaultCase{"layer =", "script.txt:1:8: expected a value after '='"},
        FaultCase{"layer =   ' nothing", "script.txt:1:11: expected a value after '='"},
        FaultCase{"layer = 1 2", "script.txt:1:11: expected the end of the line after the value"},
        FaultCase{"layer := 1",
                  "script.txt:1:7: expected '=', a value or the end of the line after 'layer'"},
        FaultCase{"add_motion_detection 1, 1, 10,", "script.txt:1:31: expected a value after ','"},
        FaultCase{"add 1,,2", "script.txt:1:7: expected a value after ','"},
        FaultCase{"add 1 2", "script.txt:1:7: expected ',' or the end of the line"},
        FaultCase{"add 1; 2", "script.txt:1:6: expected ',' or the end of the line"},
        FaultCase{"clear_all()",
                  "script.txt:1:10: arguments are written without parentheses: name a, b"},
        FaultCase{"save_picture \"shot.jpg, True",
                  "script.txt:1:14: unterminated text: a closing '\"' is missing"},
        FaultCase{"colordepth = meduim", "script.txt:1:14: unknown name 'meduim'"},
        FaultCase{"x = yes", "script.txt:1:5: unknown name 'yes'"},
        FaultCase{"x = &", "script.txt:1:6: expected 'H' after '&'"},
        FaultCase{"x = &O17", "script.txt:1:6: expected 'H' after '&'"},
        FaultCase{"x = &H", "script.txt:1:7: expected hex digits after '&H'"},
        FaultCase{"x = &HG0", "script.txt:1:7: expected hex digits after '&H'"},
        FaultCase{"x = &H100000000", "script.txt:1:5: number out of range (at most &HFFFFFFFF)"},
        FaultCase{"x = 2147483648",
                  "script.txt:1:5: number out of range (a Long is at most 2147483647)"},
        FaultCase{"x = -2147483649",
                  "script.txt:1:5: number out of range (a Long is at most 2147483647)"},
        FaultCase{"x = 99999999999999999999999999",
                  "script.txt:1:5: number out of range (a Long is at most 2147483647)"},
        FaultCase{"x = -", "script.txt:1:6: expected digits after '-'"},
        FaultCase{"x = +a", "script.txt:1:6: expected digits after '+'"},
        FaultCase{"x = 1.5", "script.txt:1:5: expected a whole number"},
        FaultCase{"x = 12abc", "script.txt:1:7: expected the end of the line after the value"},
        FaultCase{"x = \"a\"\"", "script.txt:1:5: unterminated text: a closing '\"' is missing"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ControlScriptParse, EachFaultyLineReportsItsFirstFaultAndTheRestStillParse) {
  const ControlScript script = parse(
      "layer = 1\n"
      "layer = \n"
      "\n"
      "add 1,, 2, x\n"
      "clear_all\n"
      "x = 1.5\r\n");
  EXPECT_EQ(script.messages(), (std::vector<std::string>{
                                   "script.txt:2:9: expected a value after '='",
                                   "script.txt:4:7: expected a value after ','",
                                   "script.txt:6:5: expected a whole number",
                               }));
  ASSERT_EQ(script.statements().size(), 2u);
  EXPECT_EQ(script.statements()[1].member, "clear_all");
}

TEST(ControlScriptParse, ConstantsAreTheCallersOnly) {
  const ControlScript without = ControlScript::parse("colordepth = medium", "a.txt");
  EXPECT_EQ(without.messages().at(0), "a.txt:1:14: unknown name 'medium'");
  const std::vector<NamedConstant> mine = {{"yard", 3}};
  const ControlScript with = ControlScript::parse("layer = Yard", "a.txt", mine);
  ASSERT_TRUE(with.ok());
  EXPECT_EQ(with.statements()[0].arguments[0].number, 3);
}

}  // namespace
}  // namespace zentrik
