// The FFmpeg decoder, the one part of the system that includes FFmpeg's headers: opens files,
// network streams and V4L2 cameras, decodes the best video stream and scales each good frame to
// 320 x 240 blue-green-red with the rows written bottom-up: 8-bit planar YUV by an area average of
// the decoder's own planes, any other pixel format through libswscale.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "YuvFrameScaler.h"
#include "zentrik/sources/MediaDecoder.h"

namespace zentrik {
namespace {

using Clock = std::chrono::steady_clock;

void register_formats_once() {
  static std::once_flag once;
  std::call_once(once, [] {
    avdevice_register_all();
    avformat_network_init();
    av_log_set_level(AV_LOG_FATAL);
  });
}

std::string av_error_text(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (av_strerror(code, text, sizeof text) < 0) return "error " + std::to_string(code);
  return text;
}

// 'text' in single quotes. (Built by appending: GCC 12 warns wrongly about "'" + text.)
std::string quoted(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  out += text;
  out += '\'';
  return out;
}

std::string version_text(const char* name, unsigned version) {
  return std::string(name) + " " + std::to_string(AV_VERSION_MAJOR(version)) + "." +
         std::to_string(AV_VERSION_MINOR(version)) + "." +
         std::to_string(AV_VERSION_MICRO(version));
}

struct FormatCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFreer {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ScalerFreer {
  void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
struct DictionaryFreer {
  void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

// Frames per second from the stream's average rate, else FFmpeg's guess, else 30.
double pick_frame_rate(AVFormatContext* format, AVStream* stream) {
  AVRational rate = stream->avg_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = av_guess_frame_rate(format, stream, nullptr);
  const double fps = (rate.num > 0 && rate.den > 0) ? av_q2d(rate) : 0.0;
  return (fps > 0.5 && fps <= 1000.0) ? fps : 30.0;
}

// The planes of an 8-bit planar YUV frame (yuv420p, yuvj420p, yuv422p, yuv444p, ...), false
// for any other layout. Colours are BT.709 when the stream says so and BT.601 otherwise, full
// range for the JPEG formats and streams marked so.
bool yuv_planes(const AVFrame& frame, YuvPicture& picture) {
  const auto format = static_cast<AVPixelFormat>(frame.format);
  const AVPixFmtDescriptor* layout = av_pix_fmt_desc_get(format);
  constexpr auto kOther = AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM |
                          AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_ALPHA |
                          AV_PIX_FMT_FLAG_FLOAT;
  if (layout == nullptr || layout->nb_components != 3 || (layout->flags & kOther) != 0 ||
      (layout->flags & AV_PIX_FMT_FLAG_PLANAR) == 0)
    return false;
  for (int c = 0; c < 3; ++c) {
    const AVComponentDescriptor& component = layout->comp[c];
    if (component.plane != c || component.depth != 8 || component.step != 1 ||
        component.shift != 0 || component.offset != 0 || frame.linesize[c] <= 0)
      return false;
  }
  const int chroma_width = AV_CEIL_RSHIFT(frame.width, layout->log2_chroma_w);
  const int chroma_height = AV_CEIL_RSHIFT(frame.height, layout->log2_chroma_h);
  picture.y = {frame.data[0], frame.width, frame.height, frame.linesize[0]};
  picture.u = {frame.data[1], chroma_width, chroma_height, frame.linesize[1]};
  picture.v = {frame.data[2], chroma_width, chroma_height, frame.linesize[2]};
  picture.matrix = frame.colorspace == AVCOL_SPC_BT709 ? YuvMatrix::Bt709 : YuvMatrix::Bt601;
  picture.full_range = frame.color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
                       format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
                       format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
  return true;
}

class FfmpegDecoder final : public MediaDecoder {
 public:
  explicit FfmpegDecoder(DecoderSettings settings) : settings_(std::move(settings)) {}
  ~FfmpegDecoder() override = default;

  bool open() override;
  DecodeStatus read(Frame& frame, double& timestamp) override;
  double frame_rate() const override { return frame_rate_; }
  std::int64_t corrupt_frames() const override { return corrupt_frames_; }
  bool has_end() const override;
  std::string error() const override { return error_; }
  void interrupt() override { interrupted_ = true; }
  bool full_frame(FullFrame& frame) override;

 private:
  static int interrupt_callback(void* opaque);
  bool should_abort();
  void arm_deadline() {
    deadline_ns_ = (Clock::now() + settings_.io_timeout).time_since_epoch().count();
  }
  std::string reason(int code) const;
  bool fail(std::string message);
  DecodeStatus finish(DecodeStatus status, std::string message = {});
  bool count_corrupt();
  bool due(double time);
  bool convert(Frame& frame);

  DecoderSettings settings_;
  std::unique_ptr<AVFormatContext, FormatCloser> format_;
  std::unique_ptr<AVCodecContext, CodecFreer> codec_;
  std::unique_ptr<AVPacket, PacketFreer> packet_;
  std::unique_ptr<AVFrame, FrameFreer> picture_;
  std::unique_ptr<SwsContext, ScalerFreer> scaler_;
  YuvFrameScaler yuv_scaler_;
  // The last good frame, kept by reference (no copy) until a host asks for it at full size.
  std::mutex latest_mutex_;
  std::unique_ptr<AVFrame, FrameFreer> latest_{av_frame_alloc()};
  std::unique_ptr<SwsContext, ScalerFreer> full_scaler_;
  bool planes_scaled_ = false;  // the last conversion went through yuv_scaler_
  bool latest_planes_ = false;  // and so did that of latest_
  int stream_ = -1;
  double time_base_ = 0.0;
  double frame_rate_ = 30.0;
  bool draining_ = false;
  bool waiting_ = false;  // trying for a packet since the deadline was armed
  bool finished_ = false;
  DecodeStatus final_status_ = DecodeStatus::End;
  double next_due_ = std::nan("");  // stream time of the next frame to hand on (analyse_fps)
  std::int64_t frames_seen_ = 0;
  int corrupt_in_a_row_ = 0;
  std::int64_t corrupt_frames_ = 0;
  std::string error_;
  std::atomic<bool> interrupted_{false};
  std::atomic<bool> timed_out_{false};
  std::atomic<Clock::rep> deadline_ns_{std::numeric_limits<Clock::rep>::max()};
};

int FfmpegDecoder::interrupt_callback(void* opaque) {
  return static_cast<FfmpegDecoder*>(opaque)->should_abort() ? 1 : 0;
}

bool FfmpegDecoder::should_abort() {
  if (interrupted_) return true;
  if (Clock::now().time_since_epoch().count() > deadline_ns_) {
    timed_out_ = true;
    return true;
  }
  return false;
}

std::string FfmpegDecoder::reason(int code) const {
  if (interrupted_) return "interrupted";
  if (timed_out_) {
    const auto seconds = std::chrono::duration<double>(settings_.io_timeout).count();
    char text[64];
    std::snprintf(text, sizeof text, "no data for %g s", seconds);
    return text;
  }
  return av_error_text(code);
}

bool FfmpegDecoder::fail(std::string message) {
  error_ = std::move(message);
  return false;
}

DecodeStatus FfmpegDecoder::finish(DecodeStatus status, std::string message) {
  finished_ = true;
  final_status_ = status;
  if (!message.empty()) error_ = std::move(message);
  return status;
}

bool FfmpegDecoder::open() {
  register_formats_once();
  const MediaLocation& location = settings_.location;
  const std::string shown = quoted(location.display());

  AVDictionary* raw_options = nullptr;
  for (const auto& [key, value] : settings_.input_options)
    av_dict_set(&raw_options, key.c_str(), value.c_str(), 0);
  const AVInputFormat* input_format = nullptr;
  std::string url = location.text;
  std::string noun;
  switch (location.kind) {
    case MediaKind::File:
      noun = "video file";
      // The file protocol named outright: a path with a colon is never taken for a URL, and a
      // playlist inside a file cannot reach out to the network.
      if (url.rfind("file:", 0) != 0) url = "file:" + url;
      av_dict_set(&raw_options, "protocol_whitelist", "file,crypto,data", 0);
      break;
    case MediaKind::Stream:
      noun = "stream";
      break;
    case MediaKind::Camera:
      noun = "camera";
      input_format = av_find_input_format("video4linux2");
      if (input_format == nullptr) {
        av_dict_free(&raw_options);
        return fail("cannot open camera " + shown + ": FFmpeg has no V4L2 input here");
      }
      break;
  }

  AVFormatContext* raw_format = avformat_alloc_context();
  if (raw_format == nullptr) {
    av_dict_free(&raw_options);
    return fail("cannot open " + noun + " " + shown + ": out of memory");
  }
  raw_format->interrupt_callback.callback = &FfmpegDecoder::interrupt_callback;
  raw_format->interrupt_callback.opaque = this;
  // A camera is read without blocking, so that stopping never waits on a stalled device.
  if (location.kind == MediaKind::Camera) raw_format->flags |= AVFMT_FLAG_NONBLOCK;

  arm_deadline();
  int result = avformat_open_input(&raw_format, url.c_str(), input_format, &raw_options);
  std::unique_ptr<AVDictionary, DictionaryFreer> leftover(raw_options);
  if (result < 0) return fail("cannot open " + noun + " " + shown + ": " + reason(result));
  format_.reset(raw_format);

  arm_deadline();
  result = avformat_find_stream_info(format_.get(), nullptr);
  if (result < 0)
    return fail("cannot read the stream information of " + shown + ": " + reason(result));

  const AVCodec* codec = nullptr;
  stream_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (stream_ == AVERROR_STREAM_NOT_FOUND) return fail(shown + " has no video stream");
  if (stream_ < 0 || codec == nullptr)
    return fail("no decoder for the video of " + shown + " in this FFmpeg");
  AVStream* stream = format_->streams[stream_];

  codec_.reset(avcodec_alloc_context3(codec));
  if (!codec_) return fail("cannot open the decoder for " + shown + ": out of memory");
  result = avcodec_parameters_to_context(codec_.get(), stream->codecpar);
  if (result < 0) return fail("cannot set up the decoder for " + shown + ": " + reason(result));
  codec_->thread_count = 0;  // as many as the machine has
  // Slice threads only: frame threads add a frame of delay per thread, and on damaged input they
  // conceal errors from reference frames in whatever state the other threads have left them, so
  // one damaged file decoded twice gives different pictures.
  codec_->thread_type = FF_THREAD_SLICE;
  // A picture at least twice 320 x 240 each way is averaged over 2 x 2 source pixels or more,
  // which hides the block edges the loop filter smooths: the filter, a tenth to a third of
  // H.264's decoding time, is skipped unless asked for.
  if (!settings_.full_decode && codec_->width >= 2 * kFrameWidth &&
      codec_->height >= 2 * kFrameHeight)
    codec_->skip_loop_filter = AVDISCARD_ALL;
  result = avcodec_open2(codec_.get(), codec, nullptr);
  if (result < 0) return fail("cannot open the decoder for " + shown + ": " + reason(result));

  packet_.reset(av_packet_alloc());
  picture_.reset(av_frame_alloc());
  if (!packet_ || !picture_) return fail("cannot decode " + shown + ": out of memory");
  time_base_ = av_q2d(stream->time_base);
  frame_rate_ = pick_frame_rate(format_.get(), stream);
  // Frames that no other frame refers to need not be decoded when most frames are skipped.
  if (settings_.analyse_fps > 0.0 && frame_rate_ >= 4.0 * settings_.analyse_fps)
    codec_->skip_frame = AVDISCARD_NONREF;
  deadline_ns_ = std::numeric_limits<Clock::rep>::max();
  return true;
}

// A stream served with a length (a file over HTTP) ends; a live one (no length) only drops.
bool FfmpegDecoder::has_end() const {
  switch (settings_.location.kind) {
    case MediaKind::File:
      return true;
    case MediaKind::Camera:
      return false;
    case MediaKind::Stream:
      break;
  }
  return format_ && format_->pb && avio_size(format_->pb) > 0;
}

// Counts one frame or packet that did not decode; false once too many came in a row.
bool FfmpegDecoder::count_corrupt() {
  ++corrupt_frames_;
  return ++corrupt_in_a_row_ < settings_.max_corrupt_in_a_row;
}

// With an analysis rate: whether the frame at stream time `time` is handed on. The cadence of
// 1 / analyse_fps is kept from the first frame on; a jump of the time stamps starts it afresh.
bool FfmpegDecoder::due(double time) {
  if (settings_.analyse_fps <= 0.0) return true;
  const double period = 1.0 / settings_.analyse_fps;
  const double slack = 0.25 / frame_rate_;  // a frame a little early still counts
  if (!std::isnan(next_due_)) {
    const double early = next_due_ - time;
    if (early > slack && early <= 2.0 * period) return false;
  }
  const bool keep_cadence = !std::isnan(next_due_) && std::abs(time - next_due_) <= period;
  next_due_ = (keep_cadence ? next_due_ : time) + period;
  return true;
}

bool FfmpegDecoder::convert(Frame& frame) {
  const AVFrame& source = *picture_;
  if (source.width <= 0 || source.height <= 0 || source.format < 0) return false;
  YuvPicture planes;
  planes_scaled_ = yuv_planes(source, planes);
  if (planes_scaled_) {
    // The last good frame, still held, lets a repeated picture skip the scaling. Only this
    // thread changes it, so it is read without the lock.
    YuvPicture last;
    const bool comparable = latest_planes_ && yuv_planes(*latest_, last);
    return yuv_scaler_.scale(planes, frame, comparable ? &last : nullptr);
  }
  scaler_.reset(sws_getCachedContext(
      scaler_.release(), source.width, source.height, static_cast<AVPixelFormat>(source.format),
      kFrameWidth, kFrameHeight, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!scaler_) return false;
  // Written from the last row up through a negative stride: the frame comes out bottom-up.
  std::uint8_t* target[4] = {frame.pixels + (kFrameHeight - 1) * kFrameStride, nullptr, nullptr,
                             nullptr};
  const int target_stride[4] = {-static_cast<int>(kFrameStride), 0, 0, 0};
  const int rows = sws_scale(scaler_.get(), source.data, source.linesize, 0, source.height, target,
                             target_stride);
  return rows == kFrameHeight;
}

bool FfmpegDecoder::full_frame(FullFrame& frame) {
  std::lock_guard lock(latest_mutex_);
  const AVFrame* source = latest_.get();
  if (!source || source->width <= 0 || source->height <= 0 || source->format < 0) return false;
  full_scaler_.reset(sws_getCachedContext(full_scaler_.release(), source->width, source->height,
                                          static_cast<AVPixelFormat>(source->format), source->width,
                                          source->height, AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr,
                                          nullptr, nullptr));
  if (!full_scaler_) return false;
  frame.width = source->width;
  frame.height = source->height;
  frame.pixels.resize(static_cast<std::size_t>(frame.width) * 3 * frame.height);
  std::uint8_t* target[4] = {frame.pixels.data(), nullptr, nullptr, nullptr};
  const int target_stride[4] = {frame.width * 3, 0, 0, 0};
  return sws_scale(full_scaler_.get(), source->data, source->linesize, 0, source->height, target,
                   target_stride) == source->height;
}

DecodeStatus FfmpegDecoder::read(Frame& frame, double& timestamp) {
  if (finished_) return final_status_;
  if (!codec_) return finish(DecodeStatus::Error, "the source is not open");
  const std::string shown = quoted(settings_.location.display());
  for (;;) {
    int result = avcodec_receive_frame(codec_.get(), picture_.get());
    if (result == 0) {
      const bool corrupt =
          (picture_->flags & AV_FRAME_FLAG_CORRUPT) != 0 || picture_->decode_error_flags != 0;
      const std::int64_t pts = picture_->best_effort_timestamp;
      const double time = pts == AV_NOPTS_VALUE ? static_cast<double>(frames_seen_) / frame_rate_
                                                : static_cast<double>(pts) * time_base_;
      ++frames_seen_;
      if (!corrupt && !due(time)) {
        av_frame_unref(picture_.get());  // not analysed: no scaling
        continue;
      }
      const bool converted = !corrupt && convert(frame);
      if (converted && latest_) {
        std::lock_guard lock(latest_mutex_);
        av_frame_unref(latest_.get());
        av_frame_move_ref(latest_.get(), picture_.get());
        latest_planes_ = planes_scaled_;
      }
      av_frame_unref(picture_.get());
      if (!converted) {
        if (!count_corrupt())
          return finish(
              DecodeStatus::Error,
              "no good frame in " + std::to_string(corrupt_in_a_row_) + " in a row from " + shown);
        continue;
      }
      corrupt_in_a_row_ = 0;
      timestamp = pts == AV_NOPTS_VALUE ? std::nan("") : static_cast<double>(pts) * time_base_;
      return DecodeStatus::Frame;
    }
    if (result == AVERROR_EOF) return finish(DecodeStatus::End);
    if (result != AVERROR(EAGAIN)) {
      // The decoder gave up on a frame; the next packets may still decode.
      if (!count_corrupt())
        return finish(DecodeStatus::Error, "cannot decode " + shown + ": " + reason(result));
      if (draining_) return finish(DecodeStatus::End);
      continue;
    }
    if (draining_) return finish(DecodeStatus::End);

    // The time-out runs from the first try for a packet, not from each try of a camera that
    // has none ready yet.
    if (!waiting_) arm_deadline();
    waiting_ = true;
    result = av_read_frame(format_.get(), packet_.get());
    if (result == AVERROR(EAGAIN)) {
      if (should_abort())
        return finish(DecodeStatus::Error, "read from " + shown + " failed: " + reason(result));
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    waiting_ = false;
    if (result == AVERROR_EOF) {
      draining_ = true;
      avcodec_send_packet(codec_.get(), nullptr);  // hands out the frames still held back
      continue;
    }
    if (result < 0)
      return finish(DecodeStatus::Error, "read from " + shown + " failed: " + reason(result));
    if (packet_->stream_index != stream_) {
      av_packet_unref(packet_.get());
      continue;
    }
    result = avcodec_send_packet(codec_.get(), packet_.get());
    av_packet_unref(packet_.get());
    if (result < 0 && result != AVERROR(EAGAIN) && !count_corrupt())
      return finish(DecodeStatus::Error, "cannot decode " + shown + ": " + reason(result));
  }
}

}  // namespace

std::unique_ptr<MediaDecoder> make_ffmpeg_decoder(const DecoderSettings& settings) {
  return std::make_unique<FfmpegDecoder>(settings);
}

std::string media_library_version() {
  return version_text("libavformat", avformat_version()) + ", " +
         version_text("libavcodec", avcodec_version());
}

void set_media_library_logging(bool verbose) {
  register_formats_once();
  av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_FATAL);
}

}  // namespace zentrik
