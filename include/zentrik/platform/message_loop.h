// The message loop: the one thread on which everything of the control runs (start-up, property
// calls, timer ticks, frame events, mouse events). Other threads only post work to it. Tests
// drive it deterministically with a manual clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "zentrik/platform/automation.h"

namespace zentrik {

// Milliseconds as the loop sees time.
class LoopClock {
 public:
  virtual ~LoopClock() = default;
  virtual std::int64_t now_ms() const = 0;
};

// A clock that moves only when told to.
class ManualClock : public LoopClock {
 public:
  std::int64_t now_ms() const override { return now_; }
  void advance(std::int64_t ms) { now_ += ms; }

 private:
  std::int64_t now_ = 0;
};

class MessageLoop {
 public:
  using Task = std::function<void()>;
  using TimerId = std::uint64_t;

  // The process's loop; the thread that first calls it is its thread.
  static MessageLoop& instance();

  // Thread-safe: queue `task` to run on the loop thread, in posting order.
  void post(Task task);
  // Loop thread only: a repeating timer every `intervalMs` (>= 1) of loop time.
  TimerId add_timer(Long intervalMs, Task tick);
  void remove_timer(TimerId id);

  // Runs queued tasks (and tasks they post) until none is left; timers whose time has come run
  // too. Returns the number of tasks and ticks run.
  std::size_t run_until_idle();
  // Real time: runs tasks and timers, sleeping while idle, until quit() or `timeout` passes.
  void run(std::chrono::milliseconds timeout = std::chrono::milliseconds::max());
  // Thread-safe: makes run() return.
  void quit();
  // Async-signal-safe (for a signal handler): makes run() return as quit() does.
  void quit_from_signal();

  // How often run() has woken from waiting (for a task, a due timer, quit or its time-out):
  // idle, the loop sleeps until one of them is due and never polls.
  std::uint64_t wakeups() const;

  // With a manual clock: advances time by `ms` in steps up to each timer's due time, running
  // the due timers and the queued tasks in order.
  void advance(std::int64_t ms);

  // Replaces the clock (nullptr: the steady real-time clock). Tests install a ManualClock.
  void set_clock(std::shared_ptr<LoopClock> clock);
  std::int64_t now_ms() const;

  // Drops all queued tasks and timers (for tests that start from a clean loop).
  void reset();

 private:
  MessageLoop();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A form timer: ticks on the message loop every Interval milliseconds while enabled.
class Timer {
 public:
  Timer() = default;
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  Long Interval() const { return interval_; }
  void SetInterval(Long ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  void OnTick(std::function<void()> handler) { handler_ = std::move(handler); }

 private:
  void restart();
  Long interval_ = 0;
  bool enabled_ = true;
  MessageLoop::TimerId id_ = 0;
  std::function<void()> handler_;
};

}  // namespace zentrik
