// Control scripts against the real orvex control: every statement form reaches its member, the
// by-reference arguments arrive, and the zones a script sets up report motion and colour.
#include <gtest/gtest.h>

#include "control_fixture.h"
#include "zentrik/control/OrvexTypeLibrary.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/script/ControlScript.h"

namespace zentrik::test {
namespace {

const std::vector<NamedConstant> kDepths = {{"low", 16}, {"medium", 256}, {"high", 65535}};

class ScriptOnControl : public ControlTest {};

TEST_F(ScriptOnControl, TheExampleStatementsAllFitTheControlsInterface) {
  ControlScript script = ControlScript::parse(
      "layer = 1\n"
      "colordepth = medium\n"
      "active = True\n"
      "debugpreview = False\n"
      "add_motion_detection 1, 1, 10, 10, 100, 80, 20\n"
      "save_picture \"shot.jpg\", True\n"
      "add_color_detection 1, 2, 0, 0, 40, 40, &H0000FF, 30\n"
      "Clear 1\n"
      "clear_all\n",
      "example.txt", kDepths);
  script.check(OrvexTypeLibrary::interface_info());
  EXPECT_TRUE(script.ok()) << script.messages().at(0);

  ControlScript read_only = ControlScript::parse("device_id = 1\nvideodevice = \"x\"", "ro.txt");
  read_only.check(OrvexTypeLibrary::interface_info());
  EXPECT_EQ(read_only.messages(),
            (std::vector<std::string>{"ro.txt:1:1: 'device_id' is read-only",
                                      "ro.txt:2:1: 'videodevice' is read-only"}));
}

TEST_F(ScriptOnControl, ZonesSetUpByAScriptReportMotionAndColour) {
  ControlScript::parse(
      "' one motion zone over the whole picture, one colour zone top left\n"
      "colordepth = high\n"
      "add_motion_detection 1, 1, 0, 0, 320, 240, 50\n"
      "add_color_detection 1, 2, 0, 0, 40, 40, &HFFFFFF, 50\n"
      "layer = 1\n"
      "debugpreview = False\n",
      "zones.txt", kDepths)
      .run(control());
  const OrvexState& state = control().state();
  EXPECT_EQ(state.layer, 1);
  EXPECT_EQ(state.colordepth, 65535);
  EXPECT_EQ(state.debugpreview, vbFalse);
  EXPECT_EQ(state.motion_width(1, 1), 320);
  EXPECT_EQ(state.motion_percentage(1, 1), 50);
  EXPECT_EQ(state.color_value(1, 2), 0xFFFFFF);

  show(PaintedFrame(0));
  take_events();
  show(PaintedFrame(0xFFFFFF));
  const auto events = take_events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].id, OrvexTypeLibrary::kColorEvent);  // colour zones are evaluated first
  EXPECT_EQ(events[0].zone, 2);
  EXPECT_EQ(events[0].status, vbTrue);
  EXPECT_EQ(events[1].id, OrvexTypeLibrary::kMotionEvent);
  EXPECT_EQ(events[1].zone, 1);
  EXPECT_EQ(events[1].status, vbTrue);

  // Clear takes its layer by reference; the active layer cannot be cleared, another one can.
  ControlScript::parse("Clear 1", "clear.txt").run(control());
  EXPECT_EQ(state.motion_percentage(1, 1), 50);
  ControlScript::parse("layer = 2\nClear 1", "clear.txt").run(control());
  EXPECT_EQ(state.motion_percentage(1, 1), 0);
  EXPECT_EQ(state.color_percentage(1, 2), 0);
}

TEST_F(ScriptOnControl, AFaultyScriptLeavesTheControlAsItWas) {
  const ControlScript script = ControlScript::parse(
      "layer = 1\nadd_motion_detection 1, 1, 0, 0, 320, 240\n", "bad.txt", kDepths);
  EXPECT_THROW(script.run(control()), AutomationError);
  EXPECT_EQ(control().state().layer, 0);
}

}  // namespace
}  // namespace zentrik::test
