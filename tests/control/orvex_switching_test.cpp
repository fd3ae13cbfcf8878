// Capture switching and the frame-rate label: the order of the calls on the component against
// the control's own pictures and labels, repeated switching, and the label after timer ticks.
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "control_fixture.h"

namespace zentrik::test {
namespace {

// The component, recording every call the control makes on it through dispatch together with
// what the control showed at that moment.
class RecordingVidCap : public ezVidCap {
 public:
  explicit RecordingVidCap(const DriverRegistry& drivers) : ezVidCap(drivers) {}
  struct Call {
    DispId id;
    MemberKind kind;
    Long value;  // the written value; 0 for reads
    bool beeldVisible, fpsVisible, informatieVisible, versionVisible;
  };

  Variant invoke(DispId id, MemberKind kind, std::span<Variant> args) override {
    Call call{id, kind, args.empty() ? 0 : args[0].to_long(), false, false, false, false};
    if (owner != nullptr) {
      call.beeldVisible = owner->beeld().Visible();
      call.fpsVisible = owner->fps_display().Visible();
      call.informatieVisible = owner->informatie().Visible();
      call.versionVisible = owner->lblVersion().Visible();
    }
    calls.push_back(call);
    return ezVidCap::invoke(id, kind, args);
  }

  const orvex* owner = nullptr;
  std::vector<Call> calls;
};

class OrvexSwitching : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    auto video = std::make_unique<RecordingVidCap>(drivers);
    recorder = video.get();
    subject_ = std::make_unique<orvex>(std::move(video));
    recorder->owner = subject_.get();
  }
  void TearDown() override {
    subject_.reset();
    ControlTest::TearDown();
  }
  RecordingVidCap* recorder = nullptr;
  std::unique_ptr<orvex> subject_;
};

TEST_F(OrvexSwitching, StartUpHidesTheComponentThenHandsItTheDriverIndex) {
  const auto& calls = recorder->calls;
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].id, ezVidCap::kVisible);
  EXPECT_EQ(calls[0].value, vbFalse);
  EXPECT_EQ(calls[1].id, ezVidCap::kDriverIndex);
  EXPECT_EQ(calls[1].kind, MemberKind::PropertyPut);
  EXPECT_EQ(calls[1].value, 0);
}

TEST_F(OrvexSwitching, OnAndOffCallTheComponentInOrder) {
  std::vector<std::string> changed;
  subject_->on_property_changed([&](std::string_view name) { changed.emplace_back(name); });
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    recorder->calls.clear();
    subject_->set_active(vbTrue);
    const auto on = recorder->calls;
    ASSERT_EQ(on.size(), 3u);
    EXPECT_EQ(on[0].id, ezVidCap::kVisible);
    EXPECT_EQ(on[0].value, vbTrue);
    EXPECT_FALSE(on[0].beeldVisible);
    EXPECT_EQ(on[1].id, ezVidCap::kStreaming);
    EXPECT_EQ(on[1].value, vbTrue);
    EXPECT_FALSE(on[1].beeldVisible);
    EXPECT_TRUE(on[1].versionVisible);
    EXPECT_EQ(on[2].id, ezVidCap::kDriverIndex);
    EXPECT_EQ(on[2].value, 0);
    EXPECT_TRUE(on[2].beeldVisible);
    EXPECT_TRUE(on[2].fpsVisible);
    EXPECT_TRUE(on[2].informatieVisible);
    EXPECT_FALSE(on[2].versionVisible);
    EXPECT_TRUE(recorder->streaming());
    EXPECT_TRUE(recorder->visible());

    recorder->calls.clear();
    subject_->set_active(vbFalse);
    const auto off = recorder->calls;
    ASSERT_EQ(off.size(), 2u);
    EXPECT_EQ(off[0].id, ezVidCap::kVisible);
    EXPECT_EQ(off[0].value, vbFalse);
    EXPECT_TRUE(off[0].beeldVisible);
    EXPECT_EQ(off[1].id, ezVidCap::kStreaming);
    EXPECT_EQ(off[1].value, vbFalse);
    EXPECT_TRUE(off[1].beeldVisible);  // the pictures and labels follow the component
    EXPECT_FALSE(subject_->beeld().Visible());
    EXPECT_FALSE(subject_->fps_display().Visible());
    EXPECT_FALSE(subject_->informatie().Visible());
    EXPECT_TRUE(subject_->lblVersion().Visible());
    EXPECT_FALSE(recorder->streaming());
  }
  EXPECT_EQ(changed.size(), 6u);
  for (const std::string& name : changed) EXPECT_EQ(name, "active");
}

TEST_F(OrvexSwitching, SwitchingLeavesCaptionsZonesAndRequestsAlone) {
  Integer layer = 1, zone = 1, left = 0, top = 0, w = 10, h = 10, pct = 5;
  subject_->add_motion_detection(layer, zone, left, top, w, h, pct);
  std::string name = "later.bmp";
  Boolean truecolor = vbFalse;
  subject_->save_picture(name, truecolor);
  subject_->set_active(vbTrue);
  subject_->set_active(vbFalse);
  EXPECT_EQ(subject_->fps_display().Caption(), "FPS = 0");
  EXPECT_EQ(subject_->informatie().Caption(), "Preview mode");
  EXPECT_EQ(subject_->state().motion_percentage(1, 1), 5);
  EXPECT_EQ(subject_->state().snapshot_file, "later.bmp");
}

using OrvexFrameRate = ControlTest;

TEST_F(OrvexFrameRate, TickShowsTheFramesOfTheLastSecondAndResets) {
  orvex& c = control();
  show(PaintedFrame(RGB(1, 2, 3)), 7);
  EXPECT_EQ(c.state().frame_count, 7);
  MessageLoop::instance().advance(999);
  EXPECT_EQ(c.fps_display().Caption(), "FPS = 0");  // not a second yet
  MessageLoop::instance().advance(1);
  EXPECT_EQ(c.fps_display().Caption(), "FPS = 7");
  EXPECT_EQ(c.state().frame_count, 0);
  MessageLoop::instance().advance(1000);
  EXPECT_EQ(c.fps_display().Caption(), "FPS = 0");
  show(PaintedFrame(), 3);
  MessageLoop::instance().advance(1000);
  EXPECT_EQ(c.fps_display().Caption(), "FPS = 3");
}

TEST_F(OrvexFrameRate, RealTimeFramesOnTheMessageLoop) {
  orvex c(drivers);  // the component paces frames itself, on the loop
  c.set_active(vbTrue);
  MessageLoop::instance().advance(999);
  const std::int64_t firstSecond = c.video().frames_delivered();
  EXPECT_GE(firstSecond, 29);
  EXPECT_LE(firstSecond, 30);
  MessageLoop::instance().advance(1);
  // A frame due on the tick's own millisecond may come before or after it.
  EXPECT_THAT(c.fps_display().Caption(),
              ::testing::AnyOf("FPS = " + std::to_string(firstSecond),
                               "FPS = " + std::to_string(c.video().frames_delivered())));
  MessageLoop::instance().advance(5000);
  EXPECT_THAT(c.fps_display().Caption(), ::testing::AnyOf("FPS = 29", "FPS = 30", "FPS = 31"));
  c.set_active(vbFalse);
  const std::int64_t stopped = c.video().frames_delivered();
  MessageLoop::instance().advance(2000);
  EXPECT_EQ(c.video().frames_delivered(), stopped);
  EXPECT_EQ(c.fps_display().Caption(), "FPS = 0");
}

TEST_F(OrvexFrameRate, TicksWhileCaptureIsOff) {
  orvex c(drivers);
  MessageLoop::instance().advance(1000);
  EXPECT_EQ(c.fps_display().Caption(), "FPS = 0");
  EXPECT_FALSE(c.fps_display().Visible());
}

TEST_F(OrvexFrameRate, CounterWrapsAt32767) {
  orvex& c = control();
  show(PaintedFrame());
  // The component's frame event straight to the control: the same frame, handled again.
  Variant index(Long{0});
  for (int i = 1; i < 32767; ++i) {
    c.video().events().sink()->on_event(ezVidCap::kFrameReady, std::span(&index, 1));
  }
  EXPECT_EQ(c.state().frame_count, 32767);
  show(PaintedFrame(), 2);
  EXPECT_EQ(c.state().frame_count, -32767);
  MessageLoop::instance().advance(1000);
  EXPECT_EQ(c.fps_display().Caption(), "FPS = -32767");
  EXPECT_EQ(c.state().frame_count, 0);
}

}  // namespace
}  // namespace zentrik::test
