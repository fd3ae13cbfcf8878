// The state of a real source as a host shows it: connecting, running, reconnecting after a drop
// (with the attempt and the pause), ended or lost, with the reason in words.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace zentrik {

enum class SourceState { Closed, Connecting, Running, Retrying, Ended, Failed };

struct SourceStatus {
  SourceState state = SourceState::Closed;
  std::string source;                     // the location as displayed (no password)
  std::string reason;                     // why the source dropped or failed; empty otherwise
  int attempt = 0;                        // reconnection attempt under way or next (Retrying)
  int max_attempts = 0;                   // negative: no bound
  std::chrono::milliseconds retry_in{0};  // pause before that attempt (Retrying)
  std::int64_t frames = 0;                // frames decoded since start
  std::int64_t corrupt_frames = 0;        // frames skipped because they did not decode cleanly
};

// One line for a person, e.g. "rtsp://cam/1: dropped (Connection refused); reconnecting in 2 s,
// attempt 3 of 8".
std::string describe(const SourceStatus& status);

}  // namespace zentrik
