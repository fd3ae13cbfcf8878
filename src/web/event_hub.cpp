// The event fan-out with bounded queues per listener.
#include "event_hub.h"

#include <algorithm>

namespace zentrik {

std::optional<HostEvent> EventHub::Listener::next(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  ready_.wait_for(lock, timeout, [&] { return !queue_.empty() || closed_; });
  if (queue_.empty()) return std::nullopt;
  HostEvent event = std::move(queue_.front());
  queue_.pop_front();
  return event;
}

std::size_t EventHub::Listener::dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

bool EventHub::Listener::closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

std::shared_ptr<EventHub::Listener> EventHub::listen() {
  auto listener = std::make_shared<Listener>();
  std::lock_guard lock(mutex_);
  listener->closed_ = closed_;
  listeners_.push_back(listener);
  return listener;
}

void EventHub::publish(const HostEvent& event) {
  std::lock_guard lock(mutex_);
  listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                  [](const auto& weak) { return weak.expired(); }),
                   listeners_.end());
  for (const auto& weak : listeners_) {
    std::shared_ptr<Listener> listener = weak.lock();
    if (!listener) continue;
    {
      std::lock_guard inner(listener->mutex_);
      if (listener->queue_.size() >= kQueueLimit) {
        listener->queue_.pop_front();
        ++listener->dropped_;
      }
      listener->queue_.push_back(event);
    }
    listener->ready_.notify_one();
  }
}

void EventHub::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (const auto& weak : listeners_) {
    if (std::shared_ptr<Listener> listener = weak.lock()) {
      {
        std::lock_guard inner(listener->mutex_);
        listener->closed_ = true;
      }
      listener->ready_.notify_all();
    }
  }
}

std::size_t EventHub::listeners() const {
  std::lock_guard lock(mutex_);
  std::size_t count = 0;
  for (const auto& weak : listeners_) count += weak.expired() ? 0 : 1;
  return count;
}

}  // namespace zentrik
