// ezVidCap: the capture component the control hosts as its child `video`. The control reaches
// it only through dispatch by identifier and its per-frame event `frame_ready`.
#pragma once

#include <functional>
#include <memory>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/dispatch.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {

class ezVidCap : public Dispatchable {
 public:
  // Dispatch identifiers of the members the control uses.
  static constexpr DispId kDriverIndex = 0x68030020;
  static constexpr DispId kStreaming = 0x68030019;
  static constexpr DispId kVisible = static_cast<DispId>(0x80010007u);  // extender property
  static constexpr DispId kCaptureWindow = 0x68030021;
  // frame_ready is at position 12 (from 0) of the component's 17 events; dispatch ids 1 to 17.
  static constexpr DispId kFrameReady = 13;

  enum class Pacing {
    RealTime,          // frames come on the message loop at the source's frame rate
    AsFastAsConsumed,  // frames come only when deliver_frames() asks (tests, benchmarks, files)
  };

  explicit ezVidCap(const DriverRegistry& drivers = DriverRegistry::system());
  ~ezVidCap() override;

  const TypeInfo& type_info() const override;
  Variant invoke(DispId id, MemberKind kind, std::span<Variant> args) override;

  // The event interface; the host of the component (the control) attaches its sink here.
  EventSource& events();

  void set_pacing(Pacing pacing);
  // AsFastAsConsumed: reads up to `count` frames from the driver while streaming and raises
  // frame_ready for each, on the calling (loop) thread. Returns the number delivered.
  std::size_t deliver_frames(std::size_t count);

  // Problems the component reports to its host: an error that ended a frame event's handling
  // (the component keeps streaming), no driver, a source that failed or ended.
  struct Report {
    Long number = 0;
    std::string source;
    std::string description;
  };
  void on_report(std::function<void(const Report&)> handler);

  // Typed access for hosts and tests.
  Long driver_index() const;
  bool streaming() const;
  bool visible() const;
  HWND capture_window() const;
  std::int64_t frames_delivered() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zentrik
