// The reader thread of a live source: connect, decode, hand over the newest frame, and after a
// drop reconnect with a growing pause until the retry policy gives up.
#include "LiveFrameReader.h"

#include <cmath>
#include <string_view>
#include <utility>

namespace zentrik {
namespace {

// The decoder's message without the quoted name of the source, and the word that leads to it
// ("read from 'URL' failed: ..." -> "read failed: ..."): a status names its source once.
std::string without_source(std::string reason, const std::string& shown) {
  const std::string quoted = "'" + shown + "'";
  for (std::size_t at; (at = reason.find(quoted)) != std::string::npos;) {
    std::size_t from = at, to = at + quoted.size();
    if (from == 0) {
      if (to < reason.size() && reason[to] == ' ') ++to;
    } else if (reason[from - 1] == ' ') {
      --from;
      for (const std::string_view word : {" from", " of", " for"}) {
        if (std::string_view(reason).substr(0, from).ends_with(word)) {
          from -= word.size();
          break;
        }
      }
    }
    reason.erase(from, to - from);
  }
  return reason;
}

}  // namespace

LiveFrameReader::LiveFrameReader(Settings settings)
    : settings_(std::move(settings)),
      work_(std::make_unique<Frame>()),
      ready_(std::make_unique<Frame>()) {
  if (!settings_.factory) settings_.factory = make_ffmpeg_decoder;
  status_.source = settings_.decoder.location.display();
  status_.max_attempts = settings_.retry.max_attempts;
}

LiveFrameReader::~LiveFrameReader() {
  stop();
}

void LiveFrameReader::start(std::unique_ptr<MediaDecoder> opened) {
  stop();
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
    fresh_ = false;
    frames_ = 0;
    corrupt_before_ = 0;
    has_reference_ = false;
    current_ = opened.get();
    status_.state = opened ? SourceState::Running : SourceState::Connecting;
    status_.reason.clear();
    status_.frames = 0;
    status_.corrupt_frames = 0;
  }
  thread_ = std::thread([this, decoder = std::move(opened)]() mutable { run(std::move(decoder)); });
}

void LiveFrameReader::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (current_ != nullptr) current_->interrupt();
  }
  changed_.notify_all();
  thread_.join();
  std::lock_guard lock(mutex_);
  fresh_ = false;
  if (status_.state != SourceState::Ended && status_.state != SourceState::Failed)
    status_.state = SourceState::Closed;
}

FrameStatus LiveFrameReader::take(Frame& frame) {
  std::lock_guard lock(mutex_);
  if (fresh_) {
    frame = *ready_;
    fresh_ = false;
    return FrameStatus::Ok;
  }
  if (status_.state == SourceState::Ended) return FrameStatus::End;
  if (status_.state == SourceState::Failed) return FrameStatus::Error;
  return FrameStatus::Again;
}

bool LiveFrameReader::wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] {
    return fresh_ || status_.state == SourceState::Ended || status_.state == SourceState::Failed;
  });
}

SourceStatus LiveFrameReader::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::string LiveFrameReader::error() const {
  std::lock_guard lock(mutex_);
  return status_.state == SourceState::Failed ? status_.reason : std::string{};
}

void LiveFrameReader::publish(SourceState state, std::string reason, int attempt,
                              std::chrono::milliseconds retry_in) {
  SourceStatus copy;
  {
    std::lock_guard lock(mutex_);
    status_.state = state;
    status_.reason = std::move(reason);
    status_.attempt = attempt;
    status_.retry_in = retry_in;
    copy = status_;
  }
  changed_.notify_all();
  if (settings_.on_status) settings_.on_status(copy);
}

bool LiveFrameReader::pause_until(Clock::time_point until) {
  std::unique_lock lock(mutex_);
  return changed_.wait_until(lock, until, [this] { return stopping_; });
}

bool LiveFrameReader::stopped() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

bool LiveFrameReader::full_frame(FullFrame& frame) const {
  std::lock_guard lock(mutex_);
  return current_ != nullptr && current_->full_frame(frame);
}

void LiveFrameReader::forget_decoder() {
  std::lock_guard lock(mutex_);
  current_ = nullptr;
}

std::unique_ptr<MediaDecoder> LiveFrameReader::connect(int attempt, const std::string& reason) {
  if (attempt > 0) {
    const auto pause = settings_.retry.delay_for(attempt);
    publish(SourceState::Retrying, reason, attempt, pause);
    if (pause_until(Clock::now() + pause)) return nullptr;
  } else {
    publish(SourceState::Connecting);
  }
  std::unique_ptr<MediaDecoder> decoder = settings_.factory(settings_.decoder);
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return nullptr;
    current_ = decoder.get();
  }
  return decoder;
}

void LiveFrameReader::pace(double timestamp) {
  if (!settings_.pace || std::isnan(timestamp)) return;
  const auto now = Clock::now();
  if (has_reference_) {
    const auto due =
        reference_time_ + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double>(timestamp - reference_timestamp_));
    // Timestamps that jump (a new connection, a wrapped clock) or fall far behind start over.
    if (timestamp >= reference_timestamp_ && due <= now + std::chrono::seconds(2) &&
        due >= now - std::chrono::seconds(2)) {
      pause_until(due);
      return;
    }
  }
  has_reference_ = true;
  reference_timestamp_ = timestamp;
  reference_time_ = now;
}

void LiveFrameReader::deliver(MediaDecoder& decoder, double timestamp) {
  pace(timestamp);
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    work_->index = frames_++;
    std::swap(work_, ready_);
    fresh_ = true;
    status_.frames = frames_;
    status_.corrupt_frames = corrupt_before_ + decoder.corrupt_frames();
  }
  changed_.notify_all();
}

void LiveFrameReader::run(std::unique_ptr<MediaDecoder> decoder) {
  // Whatever way the thread ends, interrupt() must no longer reach the decoder it destroys.
  struct Forget {
    LiveFrameReader* reader;
    ~Forget() { reader->forget_decoder(); }
  } forget{this};

  int attempt = 0;  // reconnection attempts since the last good frame
  std::string reason;
  for (;;) {
    if (!decoder) {
      if (attempt > 0 && !settings_.retry.allows(attempt)) {
        const int tries = attempt - 1;
        publish(SourceState::Failed,
                reason + (tries > 0 ? "; gave up after " + std::to_string(tries) +
                                          (tries == 1 ? " attempt" : " attempts")
                                    : std::string{}));
        return;
      }
      decoder = connect(attempt, reason);
      if (!decoder) return;  // stopped
      if (!decoder->open()) {
        if (stopped()) return;
        reason = without_source(decoder->error(), status_.source);
        forget_decoder();
        decoder.reset();
        ++attempt;
        continue;
      }
      has_reference_ = false;
      publish(SourceState::Running);
    }
    double timestamp = 0.0;
    const DecodeStatus result = decoder->read(*work_, timestamp);
    if (stopped()) return;  // interrupted while reading
    if (result == DecodeStatus::Frame) {
      attempt = 0;
      deliver(*decoder, timestamp);
      continue;
    }
    if (result == DecodeStatus::End && !settings_.end_is_drop && decoder->has_end()) {
      publish(SourceState::Ended);
      return;
    }
    reason = result == DecodeStatus::End ? std::string("the stream ended")
                                         : without_source(decoder->error(), status_.source);
    {
      std::lock_guard lock(mutex_);
      corrupt_before_ += decoder->corrupt_frames();
      current_ = nullptr;
    }
    decoder.reset();
    ++attempt;
  }
}

}  // namespace zentrik
