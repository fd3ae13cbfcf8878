// MediaSourceDriver: files decoded on the caller's thread, live sources through a reader thread.
#include "zentrik/sources/MediaSourceDriver.h"

#include <utility>

#include "LiveFrameReader.h"

namespace zentrik {

MediaSourceDriver::MediaSourceDriver(MediaSourceOptions options)
    : options_(std::move(options)), location_(classify_location(options_.location)) {
  if (!options_.decoder_factory) options_.decoder_factory = make_ffmpeg_decoder;
  bool on_thread = location_.kind != MediaKind::File;
  if (options_.reading == MediaSourceOptions::Reading::OnCaller) on_thread = false;
  if (options_.reading == MediaSourceOptions::Reading::OnThread) on_thread = true;
  if (on_thread) {
    LiveFrameReader::Settings settings;
    settings.decoder = decoder_settings();
    settings.factory = options_.decoder_factory;
    settings.retry = options_.retry;
    settings.pace = location_.kind == MediaKind::Stream && !location_.is_live_protocol();
    settings.end_is_drop = location_.is_live_protocol();
    settings.on_status = options_.on_status;
    reader_ = std::make_unique<LiveFrameReader>(std::move(settings));
  }
}

MediaSourceDriver::~MediaSourceDriver() {
  close();
}

DecoderSettings MediaSourceDriver::decoder_settings() const {
  DecoderSettings settings;
  settings.location = location_;
  settings.input_options = options_.input_options;
  settings.io_timeout = options_.io_timeout;
  settings.analyse_fps = options_.analyse_fps;
  settings.full_decode = options_.full_decode;
  return settings;
}

double MediaSourceDriver::frame_rate() const {
  if (options_.analyse_fps > 0.0 && options_.analyse_fps < frame_rate_) return options_.analyse_fps;
  return frame_rate_;
}

std::string MediaSourceDriver::description() const {
  return options_.description.empty() ? source_description(location_) : options_.description;
}

std::string MediaSourceDriver::version() const {
  return media_library_version();
}

bool MediaSourceDriver::open() {
  close();
  error_.clear();
  decoder_ = options_.decoder_factory(decoder_settings());
  if (!decoder_->open()) {
    error_ = decoder_->error();
    decoder_.reset();
    return false;
  }
  frame_rate_ = decoder_->frame_rate();
  open_ = true;
  finished_ = false;
  frames_ = 0;
  return true;
}

void MediaSourceDriver::close() {
  stop();
  decoder_.reset();
  open_ = false;
}

bool MediaSourceDriver::start() {
  if (!open_) {
    error_ = "the source is not open";
    return false;
  }
  if (started_) return true;
  started_ = true;
  // After a stop the reader reconnects on its thread; the first start uses open()'s connection.
  if (reader_) reader_->start(std::move(decoder_));
  return true;
}

void MediaSourceDriver::stop() {
  if (!started_) return;
  started_ = false;
  if (reader_) reader_->stop();
}

FrameStatus MediaSourceDriver::next_frame(Frame& frame) {
  if (!open_) {
    if (error_.empty()) error_ = "the source is not open";
    return FrameStatus::Error;
  }
  if (!started_) return FrameStatus::Again;
  if (reader_) return reader_->take(frame);
  if (finished_) return error_.empty() ? FrameStatus::End : FrameStatus::Error;
  double timestamp = 0.0;
  switch (decoder_->read(frame, timestamp)) {
    case DecodeStatus::Frame:
      frame.index = frames_++;
      frame.time = timestamp;
      return FrameStatus::Ok;
    case DecodeStatus::End:
      finished_ = true;
      return FrameStatus::End;
    case DecodeStatus::Error:
      finished_ = true;
      error_ = decoder_->error();
      return FrameStatus::Error;
  }
  return FrameStatus::Error;
}

std::string MediaSourceDriver::error() const {
  if (reader_ && error_.empty()) return reader_->error();
  return error_;
}

bool MediaSourceDriver::latest_full_frame(FullFrame& frame) {
  if (reader_) return reader_->full_frame(frame);
  return decoder_ && decoder_->full_frame(frame);
}

SourceStatus MediaSourceDriver::status() const {
  if (reader_) return reader_->status();
  SourceStatus status;
  status.source = location_.display();
  status.max_attempts = 0;
  status.frames = frames_;
  if (decoder_) status.corrupt_frames = decoder_->corrupt_frames();
  status.reason = error_;
  if (!error_.empty())
    status.state = SourceState::Failed;
  else if (!open_)
    status.state = SourceState::Closed;
  else if (finished_)
    status.state = SourceState::Ended;
  else
    status.state = SourceState::Running;
  return status;
}

bool MediaSourceDriver::wait_for_frame(std::chrono::milliseconds timeout) {
  if (reader_ && started_) return reader_->wait(timeout);
  return true;
}

}  // namespace zentrik
