// Reads a live source (stream or camera) on a thread of its own and hands over the newest frame;
// a source that drops is reconnected after a growing pause, within the retry policy's bound.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/sources/MediaDecoder.h"
#include "zentrik/sources/RetryPolicy.h"
#include "zentrik/sources/SourceStatus.h"

namespace zentrik {

class LiveFrameReader {
 public:
  struct Settings {
    DecoderSettings decoder;
    DecoderFactory factory;  // makes a fresh decoder for every connection
    RetryPolicy retry;
    // Holds frames back to their timestamps, so that a source served faster than it plays (a
    // file over HTTP) runs at its own rate instead of in bursts.
    bool pace = false;
    // A live source (a camera, an RTSP or TCP stream) has no end of its own: when its data ends,
    // it dropped, and is reconnected like after an error. So is any input whose decoder says it
    // has no end (an HTTP stream served without a length).
    bool end_is_drop = false;
    // Called on the reader thread at every change of state; hosts post it to their own loop.
    std::function<void(const SourceStatus&)> on_status;
  };

  explicit LiveFrameReader(Settings settings);
  ~LiveFrameReader();
  LiveFrameReader(const LiveFrameReader&) = delete;
  LiveFrameReader& operator=(const LiveFrameReader&) = delete;

  // Starts reading. `opened` is a decoder whose first connection the caller already made, or
  // null to connect on the thread. Frame numbers start again from 0.
  void start(std::unique_ptr<MediaDecoder> opened);
  // Interrupts any blocking read or pause and waits for the thread; the connection is closed.
  void stop();
  bool running() const { return thread_.joinable(); }

  // Ok with the newest frame not taken yet; Again when there is none; End once the source ended
  // and its last frame was taken; Error once it is lost (error() says why).
  FrameStatus take(Frame& frame);
  // Waits until take() would not answer Again, at most `timeout`; false on time-out.
  bool wait(std::chrono::milliseconds timeout);

  SourceStatus status() const;
  std::string error() const;
  // The decoder's last good frame at full resolution (MediaDecoder::full_frame).
  bool full_frame(FullFrame& frame) const;

 private:
  using Clock = std::chrono::steady_clock;

  void run(std::unique_ptr<MediaDecoder> decoder);
  std::unique_ptr<MediaDecoder> connect(int attempt, const std::string& reason);
  void deliver(MediaDecoder& decoder, double timestamp);
  void publish(SourceState state, std::string reason = {}, int attempt = 0,
               std::chrono::milliseconds retry_in = {});
  // Pauses until `until` unless stopped first; true when stopped.
  bool pause_until(Clock::time_point until);
  void pace(double timestamp);
  bool stopped() const;
  void forget_decoder();

  Settings settings_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  MediaDecoder* current_ = nullptr;  // the decoder in use, for interrupt()
  std::unique_ptr<Frame> work_;      // decoded into by the thread
  std::unique_ptr<Frame> ready_;     // handed over to take()
  bool fresh_ = false;
  std::int64_t frames_ = 0;
  std::int64_t corrupt_before_ = 0;  // corrupt frames of earlier connections
  SourceStatus status_;
  bool has_reference_ = false;
  double reference_timestamp_ = 0.0;
  Clock::time_point reference_time_;
};

}  // namespace zentrik
