// The newest preview picture of one camera, encoded once on the loop thread and shared by every
// viewer. Viewers register while they watch; with none the loop encodes nothing. A slow viewer
// simply skips the pictures it was too slow for: only the newest is kept.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace zentrik {

using JpegBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

class LiveFeed {
 public:
  // A viewer watching while it lives.
  class Viewer {
   public:
    explicit Viewer(LiveFeed& feed) : feed_(feed) { ++feed_.viewers_; }
    ~Viewer() { --feed_.viewers_; }
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

   private:
    LiveFeed& feed_;
  };

  // Loop thread: whether the next frame is worth encoding.
  bool watched() const { return viewers_.load() > 0; }
  int viewers() const { return viewers_.load(); }
  // Loop thread: a new picture of the frame that arrived at `unix_ms` (0: unknown).
  void publish(JpegBytes picture, std::int64_t unix_ms = 0);
  // Any thread: waits up to `timeout` for a picture newer than `seen` (0: any); updates `seen`
  // and, when given, `unix_ms`. Empty when none came in time or the feed closed.
  JpegBytes next(std::uint64_t& seen, std::chrono::milliseconds timeout,
                 std::int64_t* unix_ms = nullptr);
  void close();
  bool closed() const;

 private:
  std::atomic<int> viewers_{0};
  mutable std::mutex mutex_;
  std::condition_variable fresh_;
  JpegBytes picture_;
  std::uint64_t sequence_ = 0;
  std::int64_t unix_ms_ = 0;
  bool closed_ = false;
};

}  // namespace zentrik
