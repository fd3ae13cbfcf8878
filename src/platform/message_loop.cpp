// The message loop: a FIFO of posted tasks and a set of repeating timers on one clock. While
// idle it sleeps in poll() on an eventfd, which posts, new timers, quit and signal handlers write
// to, until the next timer is due.
#include "zentrik/platform/message_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>

#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

class SteadyClock : public LoopClock {
 public:
  std::int64_t now_ms() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};

// True on the thread inside run(): what it posts or arms there is seen before run() sleeps, so
// it need not wake the loop (a frame's timer would otherwise cost a second wake-up per frame).
thread_local bool t_in_run = false;

struct TimerEntry {
  Long interval;
  std::int64_t due;
  // Shared so that a tick keeps its function alive while the timer is removed from inside it.
  std::shared_ptr<MessageLoop::Task> tick;
};

}  // namespace

struct MessageLoop::Impl {
  Impl() : wake_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wake_fd < 0) raise_error(errors::kCantPerformOperation, ZENTRIK_MODULE_NAME);
  }

  // Wakes run() from another thread, or from a signal handler (write() is async-signal-safe).
  void wake(bool always = false) const {
    if (t_in_run && !always) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_fd, &one, sizeof one);
  }
  // Forgets wake-ups from before run(): run() looks at everything once before it sleeps.
  void drain() const {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(wake_fd, &count, sizeof count);
  }

  // Sleeps until woken or `timeout_ms` (-1: no limit) has passed, then clears the wake-up.
  void sleep(int timeout_ms) {
    pollfd entry{wake_fd, POLLIN, 0};
    poll(&entry, 1, timeout_ms);
    drain();
    wakeups.fetch_add(1, std::memory_order_relaxed);
  }

  const int wake_fd;  // never closed: the loop lives as long as the process
  std::atomic<bool> signal_quit{false};
  std::atomic<std::uint64_t> wakeups{0};
  mutable std::mutex mutex;
  std::deque<Task> tasks;
  // Ordered by id, which is the creation order: ties of due time go to the older timer.
  std::map<TimerId, TimerEntry> timers;
  TimerId nextTimer = 1;
  std::shared_ptr<LoopClock> clock = std::make_shared<SteadyClock>();
  bool quitRequested = false;

  // Under the lock: the timer due earliest at or before `limit`, or timers.end().
  std::map<TimerId, TimerEntry>::iterator earliest_due(std::int64_t limit) {
    auto best = timers.end();
    for (auto it = timers.begin(); it != timers.end(); ++it) {
      if (it->second.due > limit) continue;
      if (best == timers.end() || it->second.due < best->second.due) best = it;
    }
    return best;
  }

  std::int64_t next_due() const {
    std::int64_t next = INT64_MAX;
    for (const auto& [id, entry] : timers) next = std::min(next, entry.due);
    return next;
  }

  // Runs one due timer tick or, failing that, one queued task; false when neither was there.
  bool run_one() {
    std::unique_lock lock(mutex);
    const std::int64_t now = clock->now_ms();
    if (auto it = earliest_due(now); it != timers.end()) {
      TimerEntry& entry = it->second;
      // A timer that fell several periods behind ticks once and resumes from now.
      entry.due += entry.interval;
      if (entry.due <= now) entry.due = now + entry.interval;
      std::shared_ptr<Task> tick = entry.tick;
      lock.unlock();
      (*tick)();
      return true;
    }
    if (!tasks.empty()) {
      Task task = std::move(tasks.front());
      tasks.pop_front();
      lock.unlock();
      task();
      return true;
    }
    return false;
  }
};

MessageLoop::MessageLoop() : impl_(std::make_unique<Impl>()) {}

MessageLoop& MessageLoop::instance() {
  // Never destroyed: timers and tasks may still refer to it while statics are torn down.
  static MessageLoop* loop = new MessageLoop();
  return *loop;
}

void MessageLoop::post(Task task) {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->tasks.push_back(std::move(task));
  }
  impl_->wake();
}

MessageLoop::TimerId MessageLoop::add_timer(Long intervalMs, Task tick) {
  if (intervalMs < 1) raise_error(errors::kInvalidProcedureCall, ZENTRIK_MODULE_NAME);
  TimerId id = 0;
  {
    std::lock_guard lock(impl_->mutex);
    id = impl_->nextTimer++;
    impl_->timers.emplace(id, TimerEntry{intervalMs, impl_->clock->now_ms() + intervalMs,
                                         std::make_shared<Task>(std::move(tick))});
  }
  impl_->wake();
  return id;
}

void MessageLoop::remove_timer(TimerId id) {
  std::shared_ptr<Task> released;  // destroyed outside the lock: it may own anything
  std::lock_guard lock(impl_->mutex);
  if (auto it = impl_->timers.find(id); it != impl_->timers.end()) {
    released = std::move(it->second.tick);
    impl_->timers.erase(it);
  }
}

std::size_t MessageLoop::run_until_idle() {
  std::size_t count = 0;
  while (impl_->run_one()) ++count;
  return count;
}

void MessageLoop::run(std::chrono::milliseconds timeout) {
  using Steady = std::chrono::steady_clock;
  // Timeouts beyond a century count as none (adding them to the clock would overflow).
  constexpr std::chrono::milliseconds kForever = std::chrono::hours(24 * 365 * 100);
  const bool bounded = timeout < kForever;
  const Steady::time_point deadline =
      bounded ? Steady::now() + std::max(timeout, std::chrono::milliseconds(0))
              : Steady::time_point::max();
  struct InRun {
    bool outer = t_in_run;
    InRun() { t_in_run = true; }
    ~InRun() { t_in_run = outer; }
  } in_run;
  impl_->drain();
  for (;;) {
    run_until_idle();
    std::unique_lock lock(impl_->mutex);
    // Like the platform's quit message, quit takes effect once the queue posted before it is empty.
    if (!impl_->tasks.empty() && !(bounded && Steady::now() >= deadline)) continue;
    if (impl_->quitRequested || impl_->signal_quit.exchange(false)) {
      impl_->quitRequested = false;
      return;
    }
    if (bounded && Steady::now() >= deadline) return;
    Steady::time_point wakeAt = deadline;
    const std::int64_t nextDue = impl_->next_due();
    if (nextDue != INT64_MAX) {
      // At most an hour at a time: a manual clock's times say nothing about real waiting.
      const std::int64_t wait =
          std::clamp<std::int64_t>(nextDue - impl_->clock->now_ms(), 0, 3'600'000);
      wakeAt = std::min(wakeAt, Steady::now() + std::chrono::milliseconds(wait));
    }
    lock.unlock();
    int timeout_ms = -1;
    if (wakeAt != Steady::time_point::max()) {
      // Rounded up: waking a little early would only mean waking twice.
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - Steady::now());
      timeout_ms = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 3'600'000));
    }
    impl_->sleep(timeout_ms);
  }
}

void MessageLoop::quit() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->quitRequested = true;
  }
  impl_->wake();
}

void MessageLoop::quit_from_signal() {
  impl_->signal_quit.store(true);
  impl_->wake(true);
}

std::uint64_t MessageLoop::wakeups() const {
  return impl_->wakeups.load(std::memory_order_relaxed);
}

void MessageLoop::advance(std::int64_t ms) {
  std::shared_ptr<ManualClock> manual;
  {
    std::lock_guard lock(impl_->mutex);
    manual = std::dynamic_pointer_cast<ManualClock>(impl_->clock);
  }
  if (!manual || ms < 0) raise_error(errors::kInvalidProcedureCall, ZENTRIK_MODULE_NAME);
  const std::int64_t target = manual->now_ms() + ms;
  run_until_idle();
  for (;;) {
    std::int64_t step = 0;
    {
      std::lock_guard lock(impl_->mutex);
      auto it = impl_->earliest_due(target);
      if (it == impl_->timers.end()) break;
      step = std::max<std::int64_t>(0, it->second.due - manual->now_ms());
    }
    manual->advance(step);
    run_until_idle();
  }
  manual->advance(target - manual->now_ms());
  run_until_idle();
}

void MessageLoop::set_clock(std::shared_ptr<LoopClock> clock) {
  {
    std::lock_guard lock(impl_->mutex);
    const std::int64_t before = impl_->clock->now_ms();
    impl_->clock = clock ? std::move(clock) : std::make_shared<SteadyClock>();
    // Pending timers keep the time they still had to wait, measured on the new clock.
    const std::int64_t after = impl_->clock->now_ms();
    for (auto& [id, entry] : impl_->timers) entry.due += after - before;
  }
  impl_->wake();
}

std::int64_t MessageLoop::now_ms() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->clock->now_ms();
}

void MessageLoop::reset() {
  std::deque<Task> tasks;
  std::map<TimerId, TimerEntry> timers;
  {
    std::lock_guard lock(impl_->mutex);
    tasks.swap(impl_->tasks);
    timers.swap(impl_->timers);
    impl_->quitRequested = false;
  }
  // Destroyed here, outside the lock, in case a task owns something that posts on destruction.
}

}  // namespace zentrik
