// What the control tests share: frames a test paints pixel by pixel, a capture driver that plays
// them, and a fixture that builds the control over it with scripted message boxes, a manual
// clock and a recorder of the control's events and of the component's reports.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <vector>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/capture/ezVidCap.h"
#include "zentrik/control/orvex.h"
#include "zentrik/platform/message_box.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik::test {

// A 320 x 240 camera frame addressed top-down, as GetPixel addresses the preview.
class PaintedFrame {
 public:
  explicit PaintedFrame(ColorRef fill = 0);
  PaintedFrame(const PaintedFrame& other);
  PaintedFrame& operator=(const PaintedFrame& other);

  PaintedFrame& fill(ColorRef colour);
  PaintedFrame& set(Long x, Long y, ColorRef colour);
  PaintedFrame& rect(Long x, Long y, Long width, Long height, ColorRef colour);
  ColorRef at(Long x, Long y) const;
  const Frame& frame() const { return *frame_; }

 private:
  std::unique_ptr<Frame> frame_;
};

// The frames a PaintedDriver plays: queued ones first, then the last one again and again.
struct PaintedFeed {
  std::deque<PaintedFrame> queue;
  PaintedFrame last;
  std::int64_t served = 0;
};

class PaintedDriver : public CaptureDriver {
 public:
  PaintedDriver(std::string description, std::shared_ptr<PaintedFeed> feed)
      : description_(std::move(description)), feed_(std::move(feed)) {}
  std::string description() const override { return description_; }
  std::string version() const override { return "test"; }
  bool open() override { return true; }
  void close() override {}
  bool start() override { return true; }
  void stop() override {}
  FrameStatus next_frame(Frame& frame) override;
  double frame_rate() const override { return 30.0; }
  std::string error() const override { return {}; }

 private:
  std::string description_;
  std::shared_ptr<PaintedFeed> feed_;
};

// One event of the control, its arguments as the handler saw them.
struct RecordedEvent {
  DispId id = 0;
  Integer layer = 0;
  Integer zone = 0;
  Boolean status = 0;
  Long color = 0;  // colour events only
  Integer percentage = 0;
  friend bool operator==(const RecordedEvent&, const RecordedEvent&) = default;
};
RecordedEvent motion(Integer layer, Integer zone, Boolean status, Integer percentage);
RecordedEvent color(Integer layer, Integer zone, Boolean status, Long colour, Integer percentage);
void PrintTo(const RecordedEvent& e, std::ostream* os);

class ControlTest : public ::testing::Test {
 protected:
  static constexpr const char* kCameraName = "TAVO CAM test camera";

  void SetUp() override;
  void TearDown() override;

  // The control over the painted camera, created on first use with capture switched on and
  // frames delivered only by show().
  orvex& control();
  // Makes `frame` the camera picture and runs `count` frames through the control.
  void show(const PaintedFrame& frame, std::size_t count = 1);
  // Events recorded since the last call, then forgotten.
  std::vector<RecordedEvent> take_events();

  // Runs in the event handler after the event is recorded (arguments by reference).
  std::function<void(DispId, std::span<Variant>)> on_event;

  std::shared_ptr<ScriptedPresenter> presenter;
  std::shared_ptr<ManualClock> clock;
  std::shared_ptr<PaintedFeed> feed;
  DriverRegistry drivers;  // the painted camera alone; the controls search and open it
  std::vector<ezVidCap::Report> reports;

 private:
  std::shared_ptr<Presenter> previousPresenter_;
  std::unique_ptr<orvex> control_;
  std::unique_ptr<FunctionSink> sink_;
  std::vector<RecordedEvent> events_;
};

}  // namespace zentrik::test
