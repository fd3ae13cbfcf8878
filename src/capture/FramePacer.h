// Real-time pacing of a frame source on the message loop: calls back once per frame period,
// keeping the fractional part of the period so that no drift builds up (30 fps gives exactly 30
// calls per second of loop time, 29.97 fps exactly 2997 per 100 seconds).
#pragma once

#include <cstdint>
#include <functional>

#include "zentrik/platform/message_loop.h"

namespace zentrik {

class FramePacer {
 public:
  // `on_frame` runs on the loop thread; it may stop or restart the pacer.
  explicit FramePacer(std::function<void()> on_frame);
  ~FramePacer();
  FramePacer(const FramePacer&) = delete;
  FramePacer& operator=(const FramePacer&) = delete;

  // Frame k (k = 1, 2, ...) is due k / framesPerSecond seconds after this call and is delivered
  // at the first loop millisecond at or after that time. A rate outside (0, 1000] counts as 30.
  // Starting a running pacer starts it afresh.
  void start(double framesPerSecond);
  void stop();
  bool running() const { return timer_ != 0; }
  double rate() const { return rate_; }

  // Frames skipped because the loop fell more than kMaxCatchUp frames behind (each late tick
  // delivers the frames due, up to that many, and drops the rest).
  std::int64_t dropped() const { return dropped_; }
  static constexpr std::int64_t kMaxCatchUp = 3;

 private:
  void tick(std::uint64_t generation);
  void arm();
  std::int64_t due_time(std::int64_t frame) const;  // loop milliseconds, rounded up

  std::function<void()> on_frame_;
  MessageLoop::TimerId timer_ = 0;
  std::uint64_t generation_ = 0;
  double rate_ = 30.0;
  std::int64_t start_ms_ = 0;
  std::int64_t delivered_ = 0;
  std::int64_t dropped_ = 0;
};

}  // namespace zentrik
