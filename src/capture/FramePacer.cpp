// Drift-free frame pacing: a one-period timer re-armed after every frame for the next frame's
// exact due time, computed from the start time and the frame number rather than added up.
#include "FramePacer.h"

#include <cmath>
#include <cstdint>

namespace zentrik {

FramePacer::FramePacer(std::function<void()> on_frame) : on_frame_(std::move(on_frame)) {}

FramePacer::~FramePacer() {
  stop();
}

void FramePacer::start(double framesPerSecond) {
  stop();
  rate_ = std::isfinite(framesPerSecond) && framesPerSecond > 0.0 && framesPerSecond <= 1000.0
              ? framesPerSecond
              : 30.0;
  start_ms_ = MessageLoop::instance().now_ms();
  delivered_ = 0;
  arm();
}

void FramePacer::stop() {
  ++generation_;
  if (timer_ != 0) {
    MessageLoop::instance().remove_timer(timer_);
    timer_ = 0;
  }
}

std::int64_t FramePacer::due_time(std::int64_t frame) const {
  // The small allowance keeps 1000 / 30 * 30 from landing a hair above 1000.
  const double exact = static_cast<double>(frame) * 1000.0 / rate_;
  return start_ms_ + static_cast<std::int64_t>(std::ceil(exact - 1e-6));
}

void FramePacer::arm() {
  MessageLoop& loop = MessageLoop::instance();
  if (timer_ != 0) loop.remove_timer(timer_);
  const std::int64_t wait = due_time(delivered_ + 1) - loop.now_ms();
  const auto interval = static_cast<Long>(wait < 1 ? 1 : wait);
  const std::uint64_t generation = generation_;
  timer_ = loop.add_timer(interval, [this, generation] { tick(generation); });
}

void FramePacer::tick(std::uint64_t generation) {
  if (generation != generation_) return;
  const std::int64_t now = MessageLoop::instance().now_ms();
  // Frames due by now: estimated from the rate, then settled against the exact due times.
  const double elapsed = static_cast<double>(now - start_ms_);
  std::int64_t due = static_cast<std::int64_t>(std::floor(elapsed * rate_ / 1000.0));
  if (due < delivered_) due = delivered_;
  while (due > delivered_ && due_time(due) > now) --due;
  while (due_time(due + 1) <= now) ++due;
  std::int64_t pending = due - delivered_;
  if (pending > kMaxCatchUp) {
    dropped_ += pending - kMaxCatchUp;
    delivered_ += pending - kMaxCatchUp;
    pending = kMaxCatchUp;
  }
  for (; pending > 0; --pending) {
    ++delivered_;
    on_frame_();
    // The callback stopped or restarted the pacer: the new state has its own timer.
    if (generation != generation_) return;
  }
  arm();
}

}  // namespace zentrik
