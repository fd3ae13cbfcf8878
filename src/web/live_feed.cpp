// The shared newest preview picture of one camera.
#include "live_feed.h"

namespace zentrik {

void LiveFeed::publish(JpegBytes picture, std::int64_t unix_ms) {
  {
    std::lock_guard lock(mutex_);
    picture_ = std::move(picture);
    unix_ms_ = unix_ms;
    ++sequence_;
  }
  fresh_.notify_all();
}

JpegBytes LiveFeed::next(std::uint64_t& seen, std::chrono::milliseconds timeout,
                         std::int64_t* unix_ms) {
  std::unique_lock lock(mutex_);
  fresh_.wait_for(lock, timeout, [&] { return closed_ || (picture_ && sequence_ != seen); });
  if (closed_ || !picture_ || sequence_ == seen) return nullptr;
  seen = sequence_;
  if (unix_ms) *unix_ms = unix_ms_;
  return picture_;
}

void LiveFeed::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  fresh_.notify_all();
}

bool LiveFeed::closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace zentrik
