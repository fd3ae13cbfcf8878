// Running control scripts against a recording target: members checked before anything runs,
// values passed by value or by reference with their types, errors of a statement located.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "recording_target.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/script/ControlScript.h"

namespace zentrik {
namespace {

using testing::RecordedArgument;
using testing::RecordedCall;
using testing::RecordingTarget;
using T = Variant::Type;

const std::vector<NamedConstant> kDepths = {{"low", 16}, {"medium", 256}, {"high", 65535}};

ControlScript parse(std::string_view text) {
  return ControlScript::parse(text, "zones.txt", kDepths);
}

AutomationError error_running(const ControlScript& script, RecordingTarget& target) {
  try {
    script.run(target);
  } catch (const AutomationError& error) {
    return error;
  }
  return AutomationError(0, "", "ran without error");
}

TEST(ControlScriptRun, CallsEveryStatementInOrderWithTypedArguments) {
  RecordingTarget target;
  parse(
      "LAYER = 1\n"
      "colordepth = medium\n"
      "active = True\n"
      "debugpreview = False\n"
      "add_motion_detection 1, 1, 10, 10, 100, 80, 20\n"
      "add_color_detection 1, 2, 0, 0, 40, 40, &H0000FF, 30\n"
      "save_picture \"shot.jpg\", True\n"
      "colordepth = 65535\n"
      "note \"by value\", 70000\n"
      "clear_all\n")
      .run(target);
  const auto put = MemberKind::PropertyPut;
  const auto call = MemberKind::Method;
  const auto ints = [](std::initializer_list<const char*> values) {
    std::vector<RecordedArgument> out;
    for (const char* v : values) out.push_back({T::Integer, true, v});
    return out;
  };
  auto color_args = ints({"1", "2", "0", "0", "40", "40", "255", "30"});
  const std::vector<RecordedCall> expected = {
      {"layer", put, {{T::Integer, false, "1"}}},
      {"colordepth", put, {{T::Integer, false, "256"}}},
      {"active", put, {{T::Boolean, false, "True"}}},
      {"debugpreview", put, {{T::Boolean, false, "False"}}},
      {"add_motion_detection", call, ints({"1", "1", "10", "10", "100", "80", "20"})},
      {"add_color_detection", call, color_args},
      {"save_picture", call, {{T::String, true, "shot.jpg"}, {T::Boolean, true, "True"}}},
      {"colordepth", put, {{T::Long, false, "65535"}}},
      {"note", call, {{T::String, false, "by value"}, {T::Long, false, "70000"}}},
      {"clear_all", call, {}},
  };
  ASSERT_EQ(target.calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(target.calls[i], expected[i]) << "call " << i << " " << expected[i].member;
}

TEST(ControlScriptRun, LongNumbersGoByReferenceAsLongs) {
  RecordingTarget target;
  parse("add_color_detection 1, 2, 0, 0, 40, 40, &HFFFFFF, 30").run(target);
  ASSERT_EQ(target.calls.size(), 1u);
  EXPECT_EQ(target.calls[0].arguments[6], (RecordedArgument{T::Long, true, "16777215"}));
}

struct MemberFault {
  const char* text;
  const char* message;
};

class ControlScriptMemberFault : public ::testing::TestWithParam<MemberFault> {};

TEST_P(ControlScriptMemberFault, IsFoundBeforeAnythingRuns) {
  RecordingTarget target;
  ControlScript script = parse(std::string("layer = 1\n") + GetParam().text);
  ASSERT_TRUE(script.ok());
  script.check(target.type_info());
  ASSERT_EQ(script.messages().size(), 1u);
  EXPECT_EQ(script.messages()[0], GetParam().message);

  const AutomationError error =
      error_running(parse(std::string("layer = 1\n") + GetParam().text), target);
  EXPECT_EQ(error.number(), errors::kInvalidProcedureCall);
  EXPECT_EQ(error.description(), GetParam().message);
  EXPECT_TRUE(target.calls.empty());  // not even the good first line ran
}

INSTANTIATE_TEST_SUITE_P(
    Members, ControlScriptMemberFault,
    ::testing::Values(
        MemberFault{"layr = 1", "zones.txt:2:1: unknown property 'layr'"},
        MemberFault{"  add_motion_detecton 1",
                    "zones.txt:2:3: unknown method 'add_motion_detecton'"},
        MemberFault{"clear_all = 1",
                    "zones.txt:2:1: 'clear_all' is a method, not a property: write clear_all a, b"},
        MemberFault{"device_id = 3", "zones.txt:2:1: 'device_id' is read-only"},
        MemberFault{"layer 1", "zones.txt:2:1: 'layer' is a property: write layer = value"},
        MemberFault{"device_id", "zones.txt:2:1: 'device_id' is a property, not a method"},
        MemberFault{"add_motion_detection 1, 1, 10, 10, 100, 80",
                    "zones.txt:2:1: 'add_motion_detection' takes 7 arguments, not 6"},
        MemberFault{"clear_all 1", "zones.txt:2:1: 'clear_all' takes no arguments, not 1"},
        MemberFault{"clear", "zones.txt:2:1: 'Clear' takes 1 argument, not 0"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(ControlScriptRun, AnyFaultAnywhereRunsNothingAndListsEveryFault) {
  RecordingTarget target;
  const ControlScript script = parse(
      "layer = 1\n"
      "add_motion_detection 1, 1, 10, 10, 100, 80, 20\n"
      "lyer = 2\n"
      "save_picture \"a.jpg\",\n"
      "clear_all\n");
  const AutomationError error = error_running(script, target);
  EXPECT_EQ(error.number(), errors::kInvalidProcedureCall);
  EXPECT_EQ(error.description(), "zones.txt:4:22: expected a value after ','");
  EXPECT_TRUE(target.calls.empty());

  ControlScript checked = script;
  checked.check(target.type_info());
  EXPECT_EQ(checked.messages(), (std::vector<std::string>{
                                    "zones.txt:3:1: unknown property 'lyer'",
                                    "zones.txt:4:22: expected a value after ','",
                                }));
  EXPECT_EQ(error_running(checked, target).description(),
            "zones.txt:3:1: unknown property 'lyer'\nzones.txt:4:22: expected a value after ','");
  EXPECT_TRUE(target.calls.empty());
}

TEST(ControlScriptRun, AStatementsErrorNamesItsPlaceAndStopsTheRest) {
  RecordingTarget target;
  const AutomationError error =
      error_running(parse("clear_all\n\n  layer = 99\nclear_all\n"), target);
  EXPECT_EQ(error.number(), errors::kInvalidPropertyValue);
  EXPECT_EQ(error.source(), "Zentrik.orvex");
  EXPECT_EQ(error.description(), "zones.txt:3:3: Invalid property value");
  ASSERT_EQ(target.calls.size(), 1u);  // the first clear_all stays done
}

class ControlScriptFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("zentrik-script-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_F(ControlScriptFile, LoadsAndLabelsMessagesWithThePath) {
  const auto path = (folder_ / "camera.txt").string();
  std::ofstream(path, std::ios::binary) << "layer = 1\r\ncolordepth = low\r\nactive = Tru\r\n";
  const ControlScript script = ControlScript::load(path, kDepths);
  ASSERT_EQ(script.statements().size(), 2u);
  EXPECT_EQ(script.file_name(), path);
  EXPECT_EQ(script.messages(), std::vector<std::string>{path + ":3:10: unknown name 'Tru'"});
}

TEST_F(ControlScriptFile, MissingFileRaisesFileNotFound) {
  const auto path = (folder_ / "absent.txt").string();
  try {
    ControlScript::load(path);
    FAIL() << "loaded a missing file";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), errors::kFileNotFound);
    EXPECT_EQ(error.description(), "cannot read '" + path + "': No such file or directory");
  }
}

}  // namespace
}  // namespace zentrik
