// MediaSourceDriver: a capture driver over a real source (a video file, a network stream or a
// V4L2 camera), decoded by FFmpeg into 320 x 240 frames. Files are decoded on the caller's
// thread, every frame in order; live sources on a reader thread that hands over the newest frame
// and reconnects after a drop. Frame::index counts the frames decoded since start(), so on a
// live source the frames that were decoded but never taken show as gaps.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/sources/MediaDecoder.h"
#include "zentrik/sources/MediaLocation.h"
#include "zentrik/sources/RetryPolicy.h"
#include "zentrik/sources/SourceStatus.h"

namespace zentrik {

class LiveFrameReader;

struct MediaSourceOptions {
  enum class Reading {
    Automatic,  // files on the caller's thread, streams and cameras on a reader thread
    OnCaller,   // every frame in order, decoded inside next_frame()
    OnThread,   // the newest frame, decoded on a reader thread
  };

  std::string location;     // a file path, a URL or /dev/videoN
  std::string description;  // empty: "File: NAME", "Stream: URL" or "Camera: /dev/videoN"
  std::vector<std::pair<std::string, std::string>> input_options;  // handed to the demuxer
  std::chrono::milliseconds io_timeout{10000};
  RetryPolicy retry;
  Reading reading = Reading::Automatic;
  std::function<void(const SourceStatus&)> on_status;  // called on the reader thread
  DecoderFactory decoder_factory;                      // empty: FFmpeg
  double analyse_fps = 0.0;  // above 0: at most so many frames a second (DecoderSettings)
  bool full_decode = false;  // no decoding shortcuts for large pictures (DecoderSettings)
};

class MediaSourceDriver final : public CaptureDriver {
 public:
  explicit MediaSourceDriver(MediaSourceOptions options);
  ~MediaSourceDriver() override;

  std::string description() const override;
  std::string version() const override;
  bool open() override;
  void close() override;
  bool start() override;
  void stop() override;
  FrameStatus next_frame(Frame& frame) override;
  // The stream's rate, or the analysis rate when that is lower.
  double frame_rate() const override;
  std::string error() const override;
  bool latest_full_frame(FullFrame& frame) override;

  const MediaLocation& location() const { return location_; }
  bool threaded() const { return reader_ != nullptr; }
  SourceStatus status() const;
  // Threaded: waits until next_frame() would not answer Again, at most `timeout`. On the caller's
  // thread a frame is always at hand, so it returns true at once.
  bool wait_for_frame(std::chrono::milliseconds timeout) override;
  std::int64_t damaged_frames() const override { return status().corrupt_frames; }

 private:
  DecoderSettings decoder_settings() const;

  MediaSourceOptions options_;
  MediaLocation location_;
  std::unique_ptr<MediaDecoder> decoder_;  // open, not yet handed to the reader
  std::unique_ptr<LiveFrameReader> reader_;
  bool open_ = false;
  bool started_ = false;
  bool finished_ = false;
  double frame_rate_ = 30.0;
  std::int64_t frames_ = 0;
  std::string error_;
};

}  // namespace zentrik
