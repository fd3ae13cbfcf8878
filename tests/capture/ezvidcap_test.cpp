// The capture component through dispatch by identifier: its members, the order of its effects on
// the driver, frames painted on the capture window before frame_ready, reports of failures,
// real-time pacing, and drivers that deliver from a thread of their own.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "capture_test_support.h"
#include "zentrik/capture/VirtualCamera.h"
#include "zentrik/capture/ezVidCap.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

using testing::frame_pixel;
using testing::ScriptedDriver;

class EzVidCapTest : public testing::LoopTest {
 protected:
  using Log = std::vector<std::string>;

  void SetUp() override {
    LoopTest::SetUp();
    log_ = std::make_shared<Log>();
  }

  // Adds a scripted driver to the test's list.
  void add_scripted(const std::string& name,
                    const std::function<void(ScriptedDriver::Script&)>& change = nullptr) {
    ScriptedDriver::Script script;
    script.name = name;
    if (change) change(script);
    auto log = log_;
    drivers_.add(
        {name, "1.0", [script, log] { return std::make_unique<ScriptedDriver>(script, log); }});
  }

  // A component on the test's list with a recording sink and report handler.
  std::unique_ptr<ezVidCap> make_component() {
    auto component = std::make_unique<ezVidCap>(drivers_);
    component->events().advise(&sink_);
    component->on_report([this](const ezVidCap::Report& report) { reports_.push_back(report); });
    return component;
  }

  static void put(ezVidCap& c, DispId id, Variant value) { c.put(id, std::move(value)); }

  DriverRegistry drivers_;
  std::shared_ptr<Log> log_;
  std::vector<ezVidCap::Report> reports_;
  std::vector<Long> frames_;  // arguments of frame_ready, in order
  std::function<void(Long)> on_frame_;
  FunctionSink sink_{[this](DispId id, std::span<Variant> args) {
    ASSERT_EQ(id, ezVidCap::kFrameReady);
    ASSERT_EQ(args.size(), 1u);
    frames_.push_back(args[0].to_long());
    if (on_frame_) on_frame_(args[0].to_long());
  }};
};

TEST_F(EzVidCapTest, EventInterfaceHasSeventeenEventsWithFrameReadyThirteenth) {
  const TypeInfo& events = ezVidCap::event_info();
  ASSERT_EQ(events.members().size(), 17u);
  for (std::size_t i = 0; i < 17; ++i) EXPECT_EQ(events.members()[i].id, DispId(i + 1));
  EXPECT_EQ(events.members()[12].name, "frame_ready");
  EXPECT_EQ(events.members()[12].id, ezVidCap::kFrameReady);
  EXPECT_EQ(events.members()[12].params.size(), 1u);
  ezVidCap component(drivers_);
  EXPECT_EQ(&component.events().event_info(), &events);
}

TEST_F(EzVidCapTest, MembersAnswerAtTheirIdentifiersAndNames) {
  drivers_.add(DriverRegistry::virtual_camera());
  auto component = make_component();
  EXPECT_EQ(component->get(ezVidCap::kDriverIndex).to_long(), -1);
  EXPECT_EQ(component->get(ezVidCap::kStreaming).to_boolean_value(), vbFalse);
  EXPECT_EQ(component->get(ezVidCap::kVisible).to_boolean_value(), vbTrue);
  const Long window = component->get(ezVidCap::kCaptureWindow).to_long();
  EXPECT_NE(window, 0);
  EXPECT_EQ(window, component->capture_window());

  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kVisible, Variant::from_boolean(vbFalse));
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  EXPECT_EQ(component->get(ezVidCap::kDriverIndex).to_long(), 0);
  EXPECT_EQ(component->get(ezVidCap::kVisible).to_boolean_value(), vbFalse);
  EXPECT_EQ(component->get(ezVidCap::kStreaming).to_boolean_value(), vbTrue);
  EXPECT_TRUE(component->streaming());
  EXPECT_FALSE(component->visible());
  EXPECT_EQ(component->type_info().id_of("capture_window"), ezVidCap::kCaptureWindow);
  std::vector<Variant> none;
  EXPECT_EQ(component->invoke("STREAMING", MemberKind::PropertyGet, none).to_boolean_value(),
            vbTrue);
  EXPECT_TRUE(reports_.empty());
}

TEST_F(EzVidCapTest, WrongCallsRaiseTheirAutomationErrors) {
  auto component = make_component();
  auto number = [&](auto call) {
    try {
      call();
    } catch (const AutomationError& error) {
      return error.number();
    }
    return Long{0};
  };
  EXPECT_EQ(number([&] { put(*component, ezVidCap::kCaptureWindow, Long{1}); }),
            errors::kMemberNotFound);
  EXPECT_EQ(number([&] { component->get(0x12345); }), errors::kMemberNotFound);
  EXPECT_EQ(number([&] { put(*component, ezVidCap::kDriverIndex, "camera"); }),
            errors::kTypeMismatch);
  std::vector<Variant> two{Variant(Long{1}), Variant(Long{2})};
  EXPECT_EQ(
      number([&] { component->invoke(ezVidCap::kDriverIndex, MemberKind::PropertyPut, two); }),
      errors::kWrongArguments);
}

TEST_F(EzVidCapTest, DriverSwitchesAndStreamingReachTheDriverInOrder) {
  add_scripted("a");
  add_scripted("b");
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  EXPECT_EQ(*log_, (Log{"a.open"}));
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  EXPECT_EQ(*log_, (Log{"a.open", "a.start"}));
  put(*component, ezVidCap::kDriverIndex, Long{0});  // the open driver: kept running
  EXPECT_EQ(log_->size(), 2u);
  put(*component, ezVidCap::kDriverIndex, Long{1});
  EXPECT_EQ(*log_, (Log{"a.open", "a.start", "a.stop", "a.close", "b.open", "b.start"}));
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbFalse));
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbFalse));
  EXPECT_EQ(log_->back(), "b.stop");
  EXPECT_EQ(log_->size(), 7u);
  component.reset();
  EXPECT_EQ(log_->back(), "b.close");
  EXPECT_TRUE(reports_.empty());
}

TEST_F(EzVidCapTest, EachFrameIsPaintedOnTheCaptureWindowBeforeFrameReady) {
  VirtualSceneOptions options = standard_scene(21);
  options.noise = true;
  drivers_.add(DriverRegistry::virtual_camera(options));
  const VirtualScene scene(options);
  auto component = make_component();
  component->set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  auto expected = std::make_unique<Frame>();
  int checked = 0;
  on_frame_ = [&](Long index) {
    // What a host does in its handler: read the window's device context.
    const HWND window = static_cast<HWND>(component->get(ezVidCap::kCaptureWindow).to_long());
    const HDC dc = GetDC(window);
    scene.render(index, *expected);
    for (Long y = 0; y < kFrameHeight; y += 7) {
      for (Long x = 0; x < kFrameWidth; x += 5) {
        ASSERT_EQ(GetPixel(dc, x, y), frame_pixel(*expected, x, y))
            << index << " " << x << "," << y;
      }
    }
    EXPECT_EQ(GetPixel(dc, 319, 239), frame_pixel(*expected, 319, 239));
    ReleaseDC(window, dc);
    ++checked;
  };
  EXPECT_EQ(component->deliver_frames(4), 4u);
  EXPECT_EQ(frames_, (std::vector<Long>{0, 1, 2, 3}));
  EXPECT_EQ(checked, 4);
  EXPECT_EQ(component->frames_delivered(), 4);
  EXPECT_EQ(loop().run_until_idle(), 0u);  // nothing was left on the loop
}

TEST_F(EzVidCapTest, ASinkErrorIsReportedAndStreamingGoesOn) {
  add_scripted("a");
  auto component = make_component();
  component->set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  on_frame_ = [](Long index) {
    if (index == 1 || index == 3) raise_error(75, "orvex", "Path/File access error");
  };
  EXPECT_EQ(component->deliver_frames(5), 5u);
  EXPECT_EQ(frames_.size(), 5u);
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_EQ(reports_[0].number, 75);
  EXPECT_EQ(reports_[0].source, "orvex");
  EXPECT_EQ(reports_[0].description, "Path/File access error");
  EXPECT_TRUE(component->streaming());
}

TEST_F(EzVidCapTest, OtherExceptionsFromTheSinkPassThrough) {
  add_scripted("a");
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  on_frame_ = [](Long) { throw std::logic_error("bug"); };
  EXPECT_THROW(component->deliver_frames(1), std::logic_error);
  on_frame_ = nullptr;
  EXPECT_EQ(component->deliver_frames(1), 1u);  // not stuck in its event
}

TEST_F(EzVidCapTest, AnIndexWithoutADriverReportsItAndDeliversNothing) {
  add_scripted("a");
  for (Long index : {-1, 1, 99}) {
    reports_.clear();
    frames_.clear();
    auto component = make_component();
    put(*component, ezVidCap::kDriverIndex, index);
    ASSERT_EQ(reports_.size(), 1u) << index;
    EXPECT_EQ(reports_[0].number, ezVidCap::kNoDriverError);
    EXPECT_EQ(reports_[0].source, "ezVidCap");
    EXPECT_NE(reports_[0].description.find(std::to_string(index)), std::string::npos);
    put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
    EXPECT_EQ(reports_.size(), 2u);
    EXPECT_EQ(reports_[1].number, ezVidCap::kNoDriverError);
    EXPECT_EQ(component->deliver_frames(3), 0u);
    loop().advance(1000);
    EXPECT_TRUE(frames_.empty());
    EXPECT_EQ(component->get(ezVidCap::kDriverIndex).to_long(), index);
  }
  EXPECT_TRUE(log_->empty());
}

TEST_F(EzVidCapTest, SwitchingToAMissingDriverClosesTheOpenOne) {
  add_scripted("a");
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  put(*component, ezVidCap::kDriverIndex, Long{-1});
  EXPECT_EQ(*log_, (Log{"a.open", "a.start", "a.stop", "a.close"}));
  EXPECT_EQ(component->deliver_frames(1), 0u);
  put(*component, ezVidCap::kDriverIndex, Long{0});  // and back: opened and started again
  EXPECT_EQ(log_->back(), "a.start");
  EXPECT_EQ(component->deliver_frames(1), 1u);
}

TEST_F(EzVidCapTest, DriverFailuresAreReported) {
  add_scripted("closed", [](auto& s) {
    s.open_ok = false;
    s.error = "device busy";
  });
  add_scripted("stuck", [](auto& s) {
    s.start_ok = false;
    s.error = "no signal";
  });
  add_scripted("broken", [](auto& s) {
    s.statuses = {FrameStatus::Ok, FrameStatus::Error};
    s.error = "unplugged";
  });
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].number, ezVidCap::kDriverFailedError);
  EXPECT_NE(reports_[0].description.find("\"closed\""), std::string::npos);
  EXPECT_NE(reports_[0].description.find("device busy"), std::string::npos);
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));  // nothing is open
  EXPECT_EQ(reports_.back().number, ezVidCap::kNoDriverError);

  reports_.clear();
  put(*component, ezVidCap::kDriverIndex, Long{1});
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_NE(reports_[0].description.find("no signal"), std::string::npos);
  EXPECT_EQ(component->deliver_frames(2), 0u);

  reports_.clear();
  put(*component, ezVidCap::kDriverIndex, Long{2});
  EXPECT_EQ(component->deliver_frames(5), 1u);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].number, ezVidCap::kDriverFailedError);
  EXPECT_NE(reports_[0].description.find("unplugged"), std::string::npos);
  EXPECT_EQ(log_->back(), "broken.stop");
  EXPECT_EQ(component->deliver_frames(5), 0u);
}

TEST_F(EzVidCapTest, TheEndOfASourceIsReportedOnce) {
  VirtualSceneOptions options = standard_scene();
  options.frame_limit = 3;
  drivers_.add(DriverRegistry::virtual_camera(options));
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  loop().advance(1000);
  EXPECT_EQ(frames_.size(), 3u);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].number, ezVidCap::kSourceEndedError);
  EXPECT_NE(reports_[0].description.find("Zentrik virtual camera"), std::string::npos);
}

TEST_F(EzVidCapTest, RealTimePacingGivesThirtyFramesPerSecondOnTheLoop) {
  drivers_.add(DriverRegistry::virtual_camera());
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  loop().advance(1000);
  EXPECT_TRUE(frames_.empty());  // not streaming yet
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  EXPECT_TRUE(frames_.empty());  // frames come from the loop, not from the write
  loop().advance(1000);
  EXPECT_EQ(frames_.size(), 30u);
  loop().advance(1000);
  EXPECT_EQ(frames_.size(), 60u);
  EXPECT_EQ(frames_.back(), 59);
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbFalse));
  loop().advance(1000);
  EXPECT_EQ(frames_.size(), 60u);
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  loop().advance(100);
  EXPECT_EQ(frames_.size(), 63u);
  EXPECT_EQ(frames_.back(), 62);  // the scene goes on where it paused
  EXPECT_EQ(component->frames_dropped(), 0);
}

TEST_F(EzVidCapTest, RealTimeFramesWakeTheLoopOncePerFrameAndTheHostAfterEach) {
  loop().set_clock(nullptr);  // real time: the loop really sleeps between frames
  VirtualSceneOptions options = standard_scene();
  options.frame_rate = 50.0;
  drivers_.add(DriverRegistry::virtual_camera(options));
  auto component = make_component();
  std::size_t handled = 0;
  component->on_frame_handled([&] {
    EXPECT_EQ(++handled, frames_.size());  // after the frame's own event
    if (handled == 10) loop().quit();
  });
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  const std::uint64_t before = loop().wakeups();
  loop().run(std::chrono::seconds(30));
  EXPECT_EQ(handled, 10u);
  EXPECT_LE(loop().wakeups() - before, 10u);
}

TEST_F(EzVidCapTest, ScriptedDriversArePacedAtTheirOwnRate) {
  add_scripted("slow", [](auto& s) { s.rate = 10.0; });
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  loop().advance(1000);
  EXPECT_EQ(frames_.size(), 10u);
}

TEST_F(EzVidCapTest, RealTimeFollowsTheFramesTimeStamps) {
  add_scripted("stamped", [](auto& s) {
    s.rate = 25.0;
    s.times = {10.0, 10.5, 10.52, 12.0, 12.0, 12.25};
  });
  add_scripted("plain", [](auto& s) { s.rate = 25.0; });
  auto component = make_component();
  std::vector<std::int64_t> times;
  on_frame_ = [&](Long) { times.push_back(loop().now_ms()); };
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  loop().advance(2340);
  // A stamp that does not move forward comes one period after the one before.
  EXPECT_EQ(times, (std::vector<std::int64_t>{40, 540, 560, 2040, 2080, 2330}));
  // The frames after the stamped ones have none: one period apart.
  loop().advance(80);
  EXPECT_EQ(times.back(), 2410);
  EXPECT_EQ(frames_.size(), 8u);

  // A frame read ahead for its stamp is not lost when the host takes frames itself...
  add_scripted("more", [](auto& s) { s.times = {0.0, 5.0, 6.0, 7.0, 8.0}; });
  add_scripted("other");
  frames_.clear();
  put(*component, ezVidCap::kDriverIndex, Long{2});
  loop().advance(34);
  EXPECT_EQ(frames_, (std::vector<Long>{0}));
  component->set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
  EXPECT_EQ(component->deliver_frames(2), 2u);
  EXPECT_EQ(frames_, (std::vector<Long>{0, 1, 2}));
  // ...and not shown from another driver.
  component->set_pacing(ezVidCap::Pacing::RealTime);
  loop().advance(34);
  put(*component, ezVidCap::kDriverIndex, Long{3});
  loop().advance(34);
  EXPECT_EQ(frames_, (std::vector<Long>{0, 1, 2, 3, 0}));
}

TEST_F(EzVidCapTest, SwitchingPacingStartsAndStopsTheTimer) {
  drivers_.add(DriverRegistry::virtual_camera());
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  component->set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
  EXPECT_EQ(component->pacing(), ezVidCap::Pacing::AsFastAsConsumed);
  loop().advance(1000);
  EXPECT_TRUE(frames_.empty());
  EXPECT_EQ(component->deliver_frames(100), 100u);
  component->set_pacing(ezVidCap::Pacing::RealTime);
  loop().advance(1000);
  EXPECT_EQ(frames_.size(), 130u);
}

TEST_F(EzVidCapTest, AHandlerMayStopStreamingOrSwitchDrivers) {
  drivers_.add(DriverRegistry::virtual_camera());
  add_scripted("b");
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  on_frame_ = [&](Long) {
    if (frames_.size() == 5) put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbFalse));
  };
  loop().advance(1000);
  EXPECT_EQ(frames_.size(), 5u);
  EXPECT_EQ(component->deliver_frames(10), 0u);

  frames_.clear();
  on_frame_ = [&](Long) {
    if (frames_.size() == 2) put(*component, ezVidCap::kDriverIndex, Long{1});
  };
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  component->set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
  EXPECT_EQ(component->deliver_frames(4), 4u);
  // Frames 5 and 6 of the camera, then frames 0 and 1 of the scripted driver.
  EXPECT_EQ(frames_, (std::vector<Long>{5, 6, 0, 1}));
}

TEST_F(EzVidCapTest, DeliveringFromInsideAFrameEventDoesNothing) {
  add_scripted("a");
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  std::size_t nested = 99;
  on_frame_ = [&](Long) { nested = component->deliver_frames(3); };
  EXPECT_EQ(component->deliver_frames(1), 1u);
  EXPECT_EQ(nested, 0u);
  EXPECT_EQ(frames_.size(), 1u);
}

TEST_F(EzVidCapTest, FramesFromADriverThreadArriveThroughTheLoop) {
  testing::ThreadedDriver* threaded = nullptr;
  drivers_.add({"threaded", "1.0", [&threaded] {
                  auto driver = std::make_unique<testing::ThreadedDriver>(20);
                  threaded = driver.get();
                  return driver;
                }});
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  ASSERT_NE(threaded, nullptr);
  threaded->join();
  EXPECT_TRUE(frames_.empty());  // nothing runs off the loop thread
  loop().run_until_idle();
  ASSERT_EQ(frames_.size(), 20u);
  for (Long i = 0; i < 20; ++i) EXPECT_EQ(frames_[static_cast<std::size_t>(i)], i);
  loop().advance(1000);  // no timer of its own for such a driver
  EXPECT_EQ(frames_.size(), 20u);
}

TEST_F(EzVidCapTest, TasksOfADestroyedComponentFindItGone) {
  testing::ThreadedDriver* threaded = nullptr;
  drivers_.add({"threaded", "1.0", [&threaded] {
                  auto driver = std::make_unique<testing::ThreadedDriver>(5);
                  threaded = driver.get();
                  return driver;
                }});
  auto component = make_component();
  put(*component, ezVidCap::kDriverIndex, Long{0});
  put(*component, ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  threaded->join();
  component.reset();
  EXPECT_EQ(loop().run_until_idle(), 5u);
  EXPECT_TRUE(frames_.empty());
}

TEST_F(EzVidCapTest, WithoutAReportHandlerReportsGoToStandardError) {
  ezVidCap component(drivers_);
  ::testing::internal::CaptureStderr();
  component.put(ezVidCap::kDriverIndex, Long{4});
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(written.find("ezVidCap"), std::string::npos);
  EXPECT_NE(written.find("index 4"), std::string::npos);
}

}  // namespace
}  // namespace zentrik
