// One opened media input read frame by frame into 320 x 240 bottom-up BGR frames. The FFmpeg
// implementation behind make_ffmpeg_decoder() is the only code that sees FFmpeg; tests put
// scripted decoders behind the same interface.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/sources/MediaLocation.h"

namespace zentrik {

enum class DecodeStatus {
  Frame,  // the frame holds the next good picture
  End,    // the input ended in order
  Error,  // the input failed or was interrupted; error() says why
};

struct DecoderSettings {
  MediaLocation location;
  // Extra options handed to the demuxer as they are ("rtsp_transport" = "tcp", "video_size" =
  // "640x480", ...).
  std::vector<std::pair<std::string, std::string>> input_options;
  // A blocking open or read that gets no data for this long fails with a time-out.
  std::chrono::milliseconds io_timeout{10000};
  // So many undecodable packets or corrupt frames in a row count as a failure of the input
  // (a stream joined between key frames yields corrupt frames until the next one).
  int max_corrupt_in_a_row = 1000;
  // Above 0: hand on at most this many frames a second of the stream's time, skipping the
  // scaling of the others and, when the stream runs at 4 times the rate or more, the decoding of
  // frames no other frame refers to.
  double analyse_fps = 0.0;
  // Decode every picture in full. Otherwise the loop filter is skipped for pictures at least
  // twice 320 x 240 each way, where the scaled frame cannot show it (their full-size snapshots
  // show the unsmoothed block edges).
  bool full_decode = false;
};

class MediaDecoder {
 public:
  virtual ~MediaDecoder() = default;
  // Opens the input, finds its video stream and its decoder; false with error() set.
  virtual bool open() = 0;
  // Decodes up to the next good frame and scales it into `frame` (pixels only). `timestamp`
  // receives its presentation time in seconds, NaN when the input has none. Packets that fail to
  // decode and frames the decoder marks as corrupt (patched up by concealment) are skipped and
  // counted.
  virtual DecodeStatus read(Frame& frame, double& timestamp) = 0;
  // Frames per second of the video stream (its average rate; 30 when the input does not say).
  virtual double frame_rate() const = 0;
  virtual std::int64_t corrupt_frames() const = 0;
  // True when the input has an end of its own (a file, or a stream of known length), so that its
  // end is the end; false for a live stream, whose end means it dropped.
  virtual bool has_end() const { return true; }
  virtual std::string error() const = 0;
  // Makes a blocking open() or read() on another thread return soon with Error. Thread-safe;
  // the decoder stays interrupted.
  virtual void interrupt() = 0;
  // The last good frame at its own resolution, converted only now. Thread-safe (read() may run
  // on another thread). False when there is none (the default).
  virtual bool full_frame(FullFrame& frame) {
    (void)frame;
    return false;
  }
};

using DecoderFactory = std::function<std::unique_ptr<MediaDecoder>(const DecoderSettings&)>;

// The FFmpeg decoder: files through libavformat, streams through its network protocols, cameras
// through libavdevice's V4L2 input. Stretches to 320 x 240: 8-bit planar YUV pictures by an area
// average of each plane in integer arithmetic, then a BT.601 or BT.709 colour conversion; other
// pixel formats with libswscale's bilinear scaler.
std::unique_ptr<MediaDecoder> make_ffmpeg_decoder(const DecoderSettings& settings);

// "libavformat 59.27.100, libavcodec 59.37.100" as linked at run time.
std::string media_library_version();

// FFmpeg prints only fatal messages unless verbose; the sources report failures themselves.
void set_media_library_logging(bool verbose);

}  // namespace zentrik
