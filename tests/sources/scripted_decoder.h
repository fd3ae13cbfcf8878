// A MediaDecoder that plays a script: per connection an open result and a list of reads (a frame
// with a marker byte and timestamp, the end, an error, or a read that blocks until interrupted).
// Reads can be held back until the test releases them.
#pragma once

#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "zentrik/sources/MediaDecoder.h"

namespace zentrik::testing {

struct ScriptedRead {
  enum Kind { Frame, End, Error, Block } kind = Frame;
  int marker = 0;          // Frame: written into every pixel byte
  double timestamp = 0.0;  // Frame
  std::string reason;      // Error
};

struct ScriptedConnection {
  bool opens = true;
  std::string open_error;  // when it does not open
  std::vector<ScriptedRead> reads;
  double frame_rate = 25.0;
};

inline ScriptedRead frame_read(int marker, double timestamp = 0.0) {
  return {ScriptedRead::Frame, marker, timestamp, {}};
}
inline ScriptedRead end_read() {
  return {ScriptedRead::End, 0, 0.0, {}};
}
inline ScriptedRead error_read(std::string reason) {
  return {ScriptedRead::Error, 0, 0.0, std::move(reason)};
}
inline ScriptedRead block_read() {
  return {ScriptedRead::Block, 0, 0.0, {}};
}

// Shared by the factory and every decoder it makes.
class DecoderScript {
 public:
  explicit DecoderScript(std::vector<ScriptedConnection> connections, bool gated = false)
      : connections_(connections.begin(), connections.end()), gated_(gated) {}

  DecoderFactory factory();
  // Lets `count` more reads through (only when gated).
  void release(int count = 1) {
    {
      std::lock_guard lock(mutex_);
      released_ += count;
    }
    changed_.notify_all();
  }
  int connections_made() const {
    std::lock_guard lock(mutex_);
    return made_;
  }
  std::vector<DecoderSettings> settings_seen() const {
    std::lock_guard lock(mutex_);
    return settings_;
  }

 private:
  friend class ScriptedDecoder;
  ScriptedConnection next_connection(const DecoderSettings& settings) {
    std::lock_guard lock(mutex_);
    ++made_;
    settings_.push_back(settings);
    if (connections_.empty()) return {false, "no more connections in the script", {}, 25.0};
    ScriptedConnection next = std::move(connections_.front());
    connections_.pop_front();
    return next;
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<ScriptedConnection> connections_;
  std::vector<DecoderSettings> settings_;
  bool gated_;
  int released_ = 0;
  int made_ = 0;
};

class ScriptedDecoder final : public MediaDecoder {
 public:
  ScriptedDecoder(DecoderScript& script, ScriptedConnection connection)
      : script_(script), connection_(std::move(connection)) {}

  bool open() override {
    if (!connection_.opens) error_ = connection_.open_error;
    return connection_.opens;
  }
  DecodeStatus read(Frame& frame, double& timestamp) override {
    if (next_ >= connection_.reads.size()) return DecodeStatus::End;
    const ScriptedRead read = connection_.reads[next_++];
    {
      std::unique_lock lock(script_.mutex_);
      const auto may_go = [&] {
        return interrupted_ ||
               (read.kind != ScriptedRead::Block && (!script_.gated_ || script_.released_ > 0));
      };
      script_.changed_.wait(lock, may_go);
      if (interrupted_) {
        error_ = "interrupted";
        return DecodeStatus::Error;
      }
      if (script_.gated_) --script_.released_;
    }
    switch (read.kind) {
      case ScriptedRead::Frame:
        std::memset(frame.pixels, read.marker, sizeof frame.pixels);
        timestamp = read.timestamp;
        return DecodeStatus::Frame;
      case ScriptedRead::End:
        return DecodeStatus::End;
      default:
        error_ = read.reason;
        return DecodeStatus::Error;
    }
  }
  double frame_rate() const override { return connection_.frame_rate; }
  std::int64_t corrupt_frames() const override { return 0; }
  std::string error() const override { return error_; }
  void interrupt() override {
    {
      std::lock_guard lock(script_.mutex_);
      interrupted_ = true;
    }
    script_.changed_.notify_all();
  }

 private:
  DecoderScript& script_;
  ScriptedConnection connection_;
  std::size_t next_ = 0;
  std::string error_;
  bool interrupted_ = false;  // guarded by the script's mutex
};

inline DecoderFactory DecoderScript::factory() {
  return [this](const DecoderSettings& settings) -> std::unique_ptr<MediaDecoder> {
    return std::make_unique<ScriptedDecoder>(*this, next_connection(settings));
  };
}

}  // namespace zentrik::testing
