// The one small interface every capture source sits behind (the built-in virtual camera, video
// files, streams, V4L2 cameras): describe, open, start, stop, and read the next frame.
#pragma once

#include <cstdint>
#include <string>

#include "zentrik/platform/automation.h"

namespace zentrik {

inline constexpr Long kFrameWidth = 320;
inline constexpr Long kFrameHeight = 240;
inline constexpr Long kFrameStride = 960;  // 3 x 320, already a multiple of 4

// One 320 x 240 frame, 24-bit blue-green-red, rows bottom-up, kFrameStride bytes apart.
struct Frame {
  std::uint8_t pixels[kFrameStride * kFrameHeight];
  std::int64_t index = 0;  // frame number from the source's start
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
  // Frames per second of the source, for real-time pacing.
  virtual double frame_rate() const = 0;
  virtual std::string error() const = 0;
};

}  // namespace zentrik
