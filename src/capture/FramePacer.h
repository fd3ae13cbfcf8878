// Real-time pacing of a frame source on the message loop: each frame is handed over when its
// time stamp comes due, so a source of uneven frame spacing plays at its own speed; frames
// without a time stamp come one period of the declared rate after the one before, drift-free.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "zentrik/platform/message_loop.h"

namespace zentrik {

class FramePacer {
 public:
  // Reads the next frame and gives its time stamp in seconds of the source's clock (NaN: it has
  // none), or nothing when there is no frame now (it is asked again one period later).
  using Fetch = std::function<std::optional<double>()>;
  // Hands the fetched frame over.
  using Show = std::function<void()>;

  // Both run on the loop thread; either may stop or restart the pacer.
  FramePacer(Fetch fetch, Show show);
  ~FramePacer();
  FramePacer(const FramePacer&) = delete;
  FramePacer& operator=(const FramePacer&) = delete;

  // The first frame is fetched one period (1 / framesPerSecond) after this call and shown at
  // once; each later one at its time stamp's distance from the first, at the first loop
  // millisecond at or after it. A rate outside (0, 1000] counts as 30. Starting a running pacer
  // starts it afresh; a frame fetched and not yet shown is kept and comes first.
  void start(double framesPerSecond);
  // Stops the timer; a frame fetched and not yet shown is kept for the next start().
  void stop();
  // Stops and forgets the frame held (its source is gone).
  void forget();
  // True when a fetched frame was waiting for its time; it counts as shown now.
  bool release_held();
  bool running() const { return running_; }
  double rate() const { return rate_; }

  // Frame periods skipped because the loop fell more than kMaxCatchUp periods behind: the
  // schedule then moves on to the present instead of rushing through the frames due.
  std::int64_t dropped() const { return dropped_; }
  static constexpr std::int64_t kMaxCatchUp = 3;
  // A time stamp that does not move forward, or jumps ahead by more than this, is a break in the
  // source's clock (or a stamp of no use): that frame comes one period after the one before.
  static constexpr double kMaxGapSeconds = 10.0;

 private:
  void tick(std::uint64_t generation);
  bool hold_next();
  void place_held();
  double due_exact(double time) const { return anchor_ms_ + (time - anchor_time_) * 1000.0; }
  std::int64_t due_ms(double time) const;
  void arm_at(std::int64_t due);
  double period_ms() const { return 1000.0 / rate_; }
  double unstamped_time(std::int64_t periods) const {
    return base_time_ + static_cast<double>(periods) / rate_;
  }

  Fetch fetch_;
  Show show_;
  MessageLoop::TimerId timer_ = 0;
  bool running_ = false;
  std::uint64_t generation_ = 0;
  double rate_ = 30.0;
  std::int64_t start_ms_ = 0;
  std::int64_t dropped_ = 0;

  // The schedule: source time anchor_time_ falls due at loop time anchor_ms_.
  bool anchored_ = false;
  double anchor_ms_ = 0.0;
  double anchor_time_ = 0.0;
  // Source time of frames without a stamp: base_time_ + since_base_ periods.
  double base_time_ = 0.0;
  std::int64_t since_base_ = 0;
  bool held_ = false;
  double held_time_ = 0.0;
  bool held_stamped_ = false;
  bool placed_ = false;  // the held frame has its place in the schedule
  bool shown_any_ = false;
  double last_time_ = 0.0;  // source time of the last frame shown
  bool last_stamped_ = false;
};

}  // namespace zentrik
