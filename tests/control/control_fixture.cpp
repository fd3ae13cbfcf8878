// The control tests' painted frames, painted camera and fixture.
#include "control_fixture.h"

#include <cstring>

#include "zentrik/capture/DriverRegistry.h"

namespace zentrik::test {

PaintedFrame::PaintedFrame(ColorRef fill_colour) : frame_(std::make_unique<Frame>()) {
  fill(fill_colour);
}

PaintedFrame::PaintedFrame(const PaintedFrame& other) : frame_(std::make_unique<Frame>()) {
  *frame_ = *other.frame_;
}

PaintedFrame& PaintedFrame::operator=(const PaintedFrame& other) {
  *frame_ = *other.frame_;
  return *this;
}

PaintedFrame& PaintedFrame::fill(ColorRef colour) {
  return rect(0, 0, kFrameWidth, kFrameHeight, colour);
}

PaintedFrame& PaintedFrame::set(Long x, Long y, ColorRef colour) {
  if (x < 0 || y < 0 || x >= kFrameWidth || y >= kFrameHeight) return *this;
  std::uint8_t* p = frame_->pixels + (kFrameHeight - 1 - y) * kFrameStride + 3 * x;
  p[0] = GetBValue(colour);
  p[1] = GetGValue(colour);
  p[2] = GetRValue(colour);
  return *this;
}

PaintedFrame& PaintedFrame::rect(Long x, Long y, Long width, Long height, ColorRef colour) {
  for (Long j = y; j < y + height; ++j)
    for (Long i = x; i < x + width; ++i) set(i, j, colour);
  return *this;
}

ColorRef PaintedFrame::at(Long x, Long y) const {
  const std::uint8_t* p = frame_->pixels + (kFrameHeight - 1 - y) * kFrameStride + 3 * x;
  return RGB(p[2], p[1], p[0]);
}

FrameStatus PaintedDriver::next_frame(Frame& frame) {
  if (!feed_->queue.empty()) {
    feed_->last = feed_->queue.front();
    feed_->queue.pop_front();
  }
  std::memcpy(frame.pixels, feed_->last.frame().pixels, sizeof frame.pixels);
  frame.index = feed_->served++;
  return FrameStatus::Ok;
}

RecordedEvent motion(Integer layer, Integer zone, Boolean status, Integer percentage) {
  return {OrvexTypeLibrary::kMotionEvent, layer, zone, status, 0, percentage};
}

RecordedEvent color(Integer layer, Integer zone, Boolean status, Long colour, Integer percentage) {
  return {OrvexTypeLibrary::kColorEvent, layer, zone, status, colour, percentage};
}

void PrintTo(const RecordedEvent& e, std::ostream* os) {
  *os << (e.id == OrvexTypeLibrary::kMotionEvent ? "motion(" : "color(") << e.layer << ", "
      << e.zone << ", " << e.status << ", ";
  if (e.id == OrvexTypeLibrary::kColorEvent) *os << e.color << ", ";
  *os << e.percentage << ")";
}

void ControlTest::SetUp() {
  presenter = std::make_shared<ScriptedPresenter>();
  previousPresenter_ = set_presenter(presenter);
  MessageLoop::instance().reset();
  clock = std::make_shared<ManualClock>();
  MessageLoop::instance().set_clock(clock);
  feed = std::make_shared<PaintedFeed>();
  drivers.clear();
  drivers.add({kCameraName, "test",
               [f = feed] { return std::make_unique<PaintedDriver>(kCameraName, f); }});
}

void ControlTest::TearDown() {
  control_.reset();
  MessageLoop::instance().reset();
  MessageLoop::instance().set_clock(nullptr);
  set_presenter(previousPresenter_);
}

orvex& ControlTest::control() {
  if (!control_) {
    control_ = std::make_unique<orvex>(drivers);
    control_->video().set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
    control_->video().on_report([this](const ezVidCap::Report& r) { reports.push_back(r); });
    sink_ = std::make_unique<FunctionSink>([this](DispId id, std::span<Variant> args) {
      RecordedEvent e;
      e.id = id;
      e.layer = args[0].to_integer();
      e.zone = args[1].to_integer();
      e.status = args[2].to_boolean_value();
      if (id == OrvexTypeLibrary::kColorEvent) e.color = args[3].to_long();
      e.percentage = args[args.size() - 1].to_integer();
      events_.push_back(e);
      if (on_event) on_event(id, args);
    });
    control_->events().advise(sink_.get());
    control_->set_active(vbTrue);
  }
  return *control_;
}

void ControlTest::show(const PaintedFrame& frame, std::size_t count) {
  orvex& c = control();
  feed->queue.clear();
  feed->last = frame;
  ASSERT_EQ(c.video().deliver_frames(count), count);
}

std::vector<RecordedEvent> ControlTest::take_events() {
  std::vector<RecordedEvent> taken;
  taken.swap(events_);
  return taken;
}

}  // namespace zentrik::test
