// The form timer over the message loop's repeating timers.
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik {

Timer::~Timer() {
  if (id_ != 0) MessageLoop::instance().remove_timer(id_);
}

void Timer::SetInterval(Long ms) {
  if (ms < 0) raise_error(errors::kInvalidPropertyValue, ZENTRIK_MODULE_NAME);
  interval_ = ms;
  restart();  // a new interval starts a fresh period, as with the platform's timer
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  restart();
}

void Timer::restart() {
  MessageLoop& loop = MessageLoop::instance();
  if (id_ != 0) {
    loop.remove_timer(id_);
    id_ = 0;
  }
  if (!enabled_ || interval_ <= 0) return;
  id_ = loop.add_timer(interval_, [this] {
    // Run a copy: the handler may replace itself, disable the timer or destroy it.
    std::function<void()> handler = handler_;
    if (handler) handler();
  });
}

}  // namespace zentrik
