// SteadyDriver: a capture driver that wraps another and hands on a steadied picture (see
// SteadySettings); everything else (opening, pacing, frame notices, errors) is the wrapped one's.
#pragma once

#include <memory>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/filters/SteadySettings.h"

namespace zentrik {

class SteadyFilter;

class SteadyDriver final : public CaptureDriver {
 public:
  SteadyDriver(std::unique_ptr<CaptureDriver> inner, SteadySettings settings);
  ~SteadyDriver() override;

  std::string description() const override { return inner_->description(); }
  std::string version() const override { return inner_->version(); }
  bool open() override;
  void close() override { inner_->close(); }
  bool start() override;
  void stop() override { inner_->stop(); }
  FrameStatus next_frame(Frame& frame) override;
  double frame_rate() const override { return inner_->frame_rate(); }
  std::string error() const override { return inner_->error(); }
  bool set_frame_notifier(FrameNotifier notify) override {
    return inner_->set_frame_notifier(std::move(notify));
  }
  // A live source's wait for frames (so that a host taking frames as they come never spins), its
  // count of damaged frames and its full-size picture are the wrapped driver's.
  bool wait_for_frame(std::chrono::milliseconds timeout) override {
    return inner_->wait_for_frame(timeout);
  }
  std::int64_t damaged_frames() const override { return inner_->damaged_frames(); }
  bool latest_full_frame(FullFrame& frame) override { return inner_->latest_full_frame(frame); }

  CaptureDriver& inner() { return *inner_; }

 private:
  std::unique_ptr<CaptureDriver> inner_;
  std::unique_ptr<SteadyFilter> filter_;
};

// Every driver of `drivers` made steady: each entry keeps its description and version, and its
// factory wraps what it made in a SteadyDriver.
void make_steady(DriverRegistry& drivers, const SteadySettings& settings);

}  // namespace zentrik
