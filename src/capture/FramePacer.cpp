// Pacing by time stamps: the schedule maps the source's clock onto the loop's, anchored at the
// first frame after a start; each due time is computed from the anchor rather than added up, so
// no drift builds up. A frame is fetched before its time (its stamp says when it is due) and held
// until then; a source without stamps is fetched at each frame's time instead.
#include "FramePacer.h"

#include <cmath>
#include <cstdint>

namespace zentrik {

FramePacer::FramePacer(Fetch fetch, Show show) : fetch_(std::move(fetch)), show_(std::move(show)) {}

FramePacer::~FramePacer() {
  stop();
}

void FramePacer::start(double framesPerSecond) {
  stop();
  rate_ = std::isfinite(framesPerSecond) && framesPerSecond > 0.0 && framesPerSecond <= 1000.0
              ? framesPerSecond
              : 30.0;
  start_ms_ = MessageLoop::instance().now_ms();
  anchored_ = false;
  placed_ = false;
  if (shown_any_ && !held_) {
    base_time_ = last_time_;
    since_base_ = 0;
  }
  arm_at(due_ms(0.0));  // one period after now: the anchor is not set yet
}

void FramePacer::stop() {
  ++generation_;
  if (timer_ != 0) {
    MessageLoop::instance().remove_timer(timer_);
    timer_ = 0;
  }
  running_ = false;
}

void FramePacer::forget() {
  stop();
  held_ = false;
}

bool FramePacer::release_held() {
  if (!held_) return false;
  held_ = false;
  last_time_ = held_time_;
  last_stamped_ = held_stamped_;
  shown_any_ = true;
  return true;
}

std::int64_t FramePacer::due_ms(double time) const {
  // The small allowance keeps 1000 / 30 * 30 from landing a hair above 1000.
  const double exact = anchored_ ? due_exact(time) : static_cast<double>(start_ms_) + period_ms();
  return static_cast<std::int64_t>(std::ceil(exact - 1e-6));
}

void FramePacer::arm_at(std::int64_t due) {
  MessageLoop& loop = MessageLoop::instance();
  if (timer_ != 0) loop.remove_timer(timer_);
  const std::int64_t wait = due - loop.now_ms();
  const auto interval = static_cast<Long>(wait < 1 ? 1 : wait);
  const std::uint64_t generation = generation_;
  timer_ = loop.add_timer(interval, [this, generation] { tick(generation); });
  running_ = true;
}

bool FramePacer::hold_next() {
  const std::optional<double> stamp = fetch_();
  if (!stamp) return false;
  held_ = true;
  placed_ = false;
  held_stamped_ = std::isfinite(*stamp);
  if (held_stamped_) {
    base_time_ = *stamp;
    since_base_ = 0;
    held_time_ = *stamp;
  } else {
    held_time_ = unstamped_time(++since_base_);
  }
  return true;
}

// Anchors the schedule at the held frame after a start, or after a break in the source's clock.
void FramePacer::place_held() {
  if (placed_) return;
  placed_ = true;
  const bool jump = anchored_ && shown_any_ &&
                    (held_time_ <= last_time_ || held_time_ - last_time_ > kMaxGapSeconds);
  if (anchored_ && !jump) return;
  anchor_ms_ = anchored_ ? due_exact(last_time_) + period_ms()
                         : static_cast<double>(start_ms_) + period_ms();
  anchor_time_ = held_time_;
  anchored_ = true;
}

void FramePacer::tick(std::uint64_t generation) {
  if (generation != generation_) return;
  MessageLoop& loop = MessageLoop::instance();
  loop.remove_timer(timer_);
  timer_ = 0;
  const std::int64_t now = loop.now_ms();
  for (std::int64_t shown = 0;;) {
    if (!held_) {
      const bool fetched = hold_next();
      if (generation != generation_) return;  // the fetch stopped or restarted the pacer
      if (!fetched) {
        arm_at(now + static_cast<std::int64_t>(std::ceil(period_ms())));
        return;
      }
    }
    place_held();
    const std::int64_t due = due_ms(held_time_);
    if (due > now) {
      arm_at(due);
      return;
    }
    const double late = static_cast<double>(now) - due_exact(held_time_);
    if (late > static_cast<double>(kMaxCatchUp) * period_ms()) {
      dropped_ += static_cast<std::int64_t>(std::floor(late / period_ms()));
      anchor_ms_ = static_cast<double>(now);
      anchor_time_ = held_time_;
    }
    if (shown == kMaxCatchUp) {  // let the loop breathe before the next one
      arm_at(now + 1);
      return;
    }
    ++shown;
    release_held();
    show_();
    if (generation != generation_) return;  // the callback stopped or restarted the pacer
    if (!last_stamped_) {
      arm_at(due_ms(unstamped_time(since_base_ + 1)));
      return;
    }
  }
}

}  // namespace zentrik
