// ezVidCap: the capture component the control hosts as its child `video`. The control reaches
// it only through dispatch by identifier and its per-frame event `frame_ready`.
//
// Members (dispatch): driver_index (Long, read/write), streaming (Boolean, read/write), Visible
// (Boolean, read/write), capture_window (Long window handle, read only). Writing driver_index
// closes the open driver and opens the one at that index (writing the index of the driver that
// is already open keeps it running); while streaming is on, the driver is started. For each
// frame the component reads the driver, paints the frame at the top left of its capture window
// (320 x 240) and then raises frame_ready with the frame's number. Of the 17 events only
// frame_ready is raised. Everything runs on the message-loop thread; frames of drivers that
// work on a thread of their own reach the loop through posted tasks. A frame_ready handler may
// use every member (switch streaming off, change the driver) but must not destroy the component.
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

  // Numbers of the problems the component reports (see Report), in the range of component
  // errors (vbObjectError + 512 + n).
  static constexpr Long kNoDriverError = static_cast<Long>(0x80040201u);
  static constexpr Long kDriverFailedError = static_cast<Long>(0x80040202u);
  static constexpr Long kSourceEndedError = static_cast<Long>(0x80040203u);
  static constexpr const char* kReportSource = "ezVidCap";

  // The interface and the event interface, for hosts that look members up.
  static const TypeInfo& interface_info();
  static const TypeInfo& event_info();

  enum class Pacing {
    RealTime,          // frames come on the message loop at the source's frame rate
    AsFastAsConsumed,  // frames come only when deliver_frames() asks (tests, benchmarks, files)
  };

  // The component opens drivers of `drivers`, a list its host owns and keeps for the
  // component's whole life.
  explicit ezVidCap(const DriverRegistry& drivers);
  ~ezVidCap() override;

  const DriverRegistry& drivers() const;

  const TypeInfo& type_info() const override;
  Variant invoke(DispId id, MemberKind kind, std::span<Variant> args) override;
  using Dispatchable::invoke;  // by name as well

  // The event interface; the host of the component (the control) attaches its sink here.
  EventSource& events();

  // RealTime is the default.
  void set_pacing(Pacing pacing);
  Pacing pacing() const;
  // Reads up to `count` frames from the driver while streaming and raises frame_ready for each,
  // synchronously on the calling (loop) thread; meant for AsFastAsConsumed, allowed in both
  // modes. Stops early when the source has no frame ready, ends or fails, or when a handler
  // switches streaming off. Returns the number delivered; 0 when called from inside a
  // frame_ready handler.
  std::size_t deliver_frames(std::size_t count);
  // Waits, at most `timeout`, until the open driver has a frame ready, has ended or failed (see
  // CaptureDriver::wait_for_frame); true at once when no driver is streaming.
  bool wait_for_frame(std::chrono::milliseconds timeout);

  // Problems the component reports to its host: an error that ended a frame event's handling
  // (the component keeps streaming), no driver, a source that failed or ended.
  struct Report {
    Long number = 0;
    std::string source;
    std::string description;
  };
  // Without a handler, reports are written to standard error.
  void on_report(std::function<void(const Report&)> handler);
  // Runs after each frame's frame_ready has been handled (on the loop thread), so that a host
  // does its own work between frames without a timer of its own; nullptr removes it.
  void on_frame_handled(std::function<void()> handler);

  // Typed access for hosts and tests.
  Long driver_index() const;
  bool streaming() const;
  bool visible() const;
  HWND capture_window() const;
  std::int64_t frames_delivered() const;
  // The open driver's latest full-resolution frame (CaptureDriver::latest_full_frame).
  bool latest_full_frame(FullFrame& frame);
  // Frames the real-time pacing skipped because the loop fell behind.
  std::int64_t frames_dropped() const;
  // Frames the open driver found damaged and skipped since it started.
  std::int64_t frames_damaged() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zentrik
