// Fans the host's events out to every open event stream. Each listener has a bounded queue: a
// listener that reads too slowly loses its oldest events (and is told how many), so no listener
// can hold up the cameras or make the memory grow.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zentrik {

struct HostEvent {
  std::string type;  // zone, outlines, message, camera
  std::string data;  // JSON
};

class EventHub {
 public:
  static constexpr std::size_t kQueueLimit = 512;

  class Listener {
   public:
    // Waits up to `timeout` for the next event; nullopt when none came or the hub closed.
    std::optional<HostEvent> next(std::chrono::milliseconds timeout);
    std::size_t dropped() const;
    bool closed() const;

   private:
    friend class EventHub;
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<HostEvent> queue_;
    std::size_t dropped_ = 0;
    bool closed_ = false;
  };

  // Any thread.
  std::shared_ptr<Listener> listen();
  void publish(const HostEvent& event);
  // Wakes and ends every listener; later listeners start closed.
  void close();
  std::size_t listeners() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::weak_ptr<Listener>> listeners_;
  bool closed_ = false;
};

}  // namespace zentrik
