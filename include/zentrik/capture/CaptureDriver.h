// The one small interface every capture source sits behind (the built-in virtual camera, video
// files, streams, V4L2 cameras): describe, open, start, stop, and read the next frame.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "zentrik/platform/automation.h"

namespace zentrik {

inline constexpr Long kFrameWidth = 320;
inline constexpr Long kFrameHeight = 240;
inline constexpr Long kFrameStride = 960;  // 3 x 320, already a multiple of 4

// One 320 x 240 frame, 24-bit blue-green-red, rows bottom-up, kFrameStride bytes apart.
struct Frame {
  std::uint8_t pixels[kFrameStride * kFrameHeight];
  std::int64_t index = 0;  // frame number from the source's start
  // Presentation time in seconds on the source's own clock; NaN when the source has none (real
  // time pacing then spaces the frames by the source's declared rate).
  double time = std::numeric_limits<double>::quiet_NaN();
};

// A frame at the source's own resolution, 24-bit blue-green-red, rows top-down, 3 x width bytes
// apart.
struct FullFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

enum class FrameStatus {
  Ok,     // `frame` holds the next frame
  Again,  // no frame ready yet (a live source between frames); try later
  End,    // the source has ended (end of file)
  Error,  // the source failed; error() says why
};

class CaptureDriver {
 public:
  virtual ~CaptureDriver() = default;
  // What capGetDriverDescriptionA reports: description and version text.
  virtual std::string description() const = 0;
  virtual std::string version() const = 0;
  virtual bool open() = 0;  // false with error() set when the source cannot be opened
  virtual void close() = 0;
  virtual bool start() = 0;
  virtual void stop() = 0;
  virtual FrameStatus next_frame(Frame& frame) = 0;
  // Frames per second of the source, for real-time pacing of frames without a time stamp.
  virtual double frame_rate() const = 0;
  virtual std::string error() const = 0;

  // Sources whose frames arrive on a thread of their own (cameras, streams): the component hands
  // over `notify` before start(); the driver calls it, from any thread, whenever a frame is ready
  // (or the source ended or failed), and the component then calls next_frame() on the loop
  // thread. Such a driver returns true and is not paced by the component. The default (false):
  // the component paces next_frame() itself, at frame_rate() or as fast as frames are consumed.
  // Waits until next_frame() would not answer Again, at most `timeout`; false on time-out. For
  // hosts that take frames as fast as they come: a source that always has one returns at once.
  virtual bool wait_for_frame(std::chrono::milliseconds timeout) {
    (void)timeout;
    return true;
  }

  // Frames of the source that were damaged and skipped since start().
  virtual std::int64_t damaged_frames() const { return 0; }

  using FrameNotifier = std::function<void()>;

  // The latest frame at the source's own resolution, made only when a host asks (a sharper event
  // snapshot than 320 x 240). False when the source has none (the default). Loop thread.
  virtual bool latest_full_frame(FullFrame& frame) {
    (void)frame;
    return false;
  }
  virtual bool set_frame_notifier(FrameNotifier notify) {
    (void)notify;
    return false;
  }
};

}  // namespace zentrik
