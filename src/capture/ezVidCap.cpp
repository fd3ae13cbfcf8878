// The capture component: driver switching, streaming, pacing, painting each frame on the
// capture window and raising frame_ready, with every problem reported to the host.
#include "zentrik/capture/ezVidCap.h"

#include <iostream>
#include <limits>
#include <optional>

#include "CaptureWindow.h"
#include "FramePacer.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik {

struct ezVidCap::Impl {
  explicit Impl(const DriverRegistry& list)
      : drivers(list),
        events(event_info()),
        pacer([this] { return paced_fetch(); }, [this] { show_frame(); }) {}

  ~Impl() {
    alive.reset();  // tasks still queued for this component find it gone
    close_driver();
  }

  // --- reports --------------------------------------------------------------------------------

  void report(Long number, std::string source, std::string description) const {
    Report entry{number, std::move(source), std::move(description)};
    if (reporter) {
      reporter(entry);
    } else {
      std::cerr << entry.source << ": error " << entry.number << ": " << entry.description
                << std::endl;
    }
  }
  void report(Long number, std::string description) const {
    report(number, kReportSource, std::move(description));
  }
  std::string driver_name() const {
    if (!driver) return "the capture driver";
    std::string name(1, '"');
    name.append(driver->description()).push_back('"');
    return name;
  }

  // --- drivers --------------------------------------------------------------------------------

  void set_driver_index(Long index) {
    driver_index = index;
    if (driver && open_index == index) return;  // already open: keeps running
    close_driver();
    std::unique_ptr<CaptureDriver> next = drivers.open(index);
    if (!next) {
      report(kNoDriverError, "There is no capture driver with index " + std::to_string(index));
      return;
    }
    if (!next->open()) {
      std::string text = "The capture driver ";
      text.append(1, '"').append(next->description()).append("\" cannot be opened: ");
      report(kDriverFailedError, text.append(next->error()));
      next->close();
      return;
    }
    driver = std::move(next);
    open_index = index;
    if (is_true(streaming)) start_driver();
  }

  void close_driver() {
    stop_driver();
    pacer.forget();  // a frame read ahead belongs to this driver
    if (driver) driver->close();
    driver.reset();
    open_index = -1;
  }

  // --- streaming ------------------------------------------------------------------------------

  void set_streaming(Boolean value) {
    streaming = value;
    if (is_true(value)) {
      if (!driver) {
        report(kNoDriverError, "No capture driver is open: there are no frames to stream");
        return;
      }
      start_driver();
    } else {
      stop_driver();
    }
  }

  void start_driver() {
    if (started) return;
    std::weak_ptr<Impl*> token = alive;
    pushes = driver->set_frame_notifier([token] {
      MessageLoop::instance().post([token] {
        if (std::shared_ptr<Impl*> self = token.lock()) (*self)->pushed_frames();
      });
    });
    if (!driver->start()) {
      report(kDriverFailedError,
             "The capture driver " + driver_name() + " cannot start: " + driver->error());
      return;
    }
    started = true;
    update_pacer();
  }

  void stop_driver() {
    pacer.stop();
    if (started && driver) driver->stop();
    started = false;
  }

  void update_pacer() {
    if (started && !pushes && pacing == Pacing::RealTime) {
      if (!pacer.running()) pacer.start(driver->frame_rate());
    } else {
      pacer.stop();
    }
  }

  // --- frames ---------------------------------------------------------------------------------

  bool can_deliver() const { return started && driver && is_true(streaming) && !delivering; }

  // Reads the next frame into `frame`; false when there was none.
  bool read_frame() {
    frame->time = std::numeric_limits<double>::quiet_NaN();  // drivers without stamps leave it
    switch (driver->next_frame(*frame)) {
      case FrameStatus::Ok:
        return true;
      case FrameStatus::Again:
        return false;
      case FrameStatus::End:
        report(kSourceEndedError, "The capture source " + driver_name() + " has ended");
        stop_driver();
        return false;
      case FrameStatus::Error:
        report(kDriverFailedError,
               "The capture driver " + driver_name() + " failed: " + driver->error());
        stop_driver();
        return false;
    }
    return false;
  }

  // Paints and announces the frame read.
  void show_frame() {
    window.paint(*frame);
    ++delivered;
    raise_frame_ready();
    if (frame_handled) {
      std::function<void()> handler = frame_handled;  // it may replace itself
      handler();
    }
  }

  // One frame as fast as it is asked for: the one the pacer read ahead, else the next one.
  bool deliver_one() {
    if (!pacer.release_held() && !read_frame()) return false;
    show_frame();
    return true;
  }

  void raise_frame_ready() {
    Variant argument(static_cast<Long>(static_cast<std::uint32_t>(frame->index)));
    delivering = true;
    try {
      events.fire(kFrameReady, std::span<Variant>(&argument, 1));
    } catch (const AutomationError& error) {
      // The handler's failure ends that frame only; streaming goes on.
      delivering = false;
      report(error.number(), error.source(), error.description());
      return;
    } catch (...) {
      delivering = false;
      throw;
    }
    delivering = false;
  }

  std::size_t deliver(std::size_t count) {
    std::size_t done = 0;
    while (done < count && can_deliver() && deliver_one()) ++done;
    return done;
  }

  // The pacer's read: the frame's time stamp (NaN when it has none), nothing when there is none.
  std::optional<double> paced_fetch() {
    if (!can_deliver()) {
      if (delivering) ++skipped;  // a handler still busy with the previous frame
      return std::nullopt;
    }
    if (!read_frame()) return std::nullopt;
    return frame->time;
  }

  void pushed_frames() {
    if (pacing != Pacing::RealTime || !pushes) return;
    while (can_deliver() && deliver_one()) {
    }
  }

  const DriverRegistry& drivers;
  EventSource events;
  CaptureWindow window;
  std::unique_ptr<Frame> frame = std::make_unique<Frame>();
  FramePacer pacer;
  std::shared_ptr<Impl*> alive = std::make_shared<Impl*>(this);
  std::function<void(const Report&)> reporter;
  std::function<void()> frame_handled;

  std::unique_ptr<CaptureDriver> driver;
  Long driver_index = -1;  // as last written
  Long open_index = -1;    // index of the open driver, -1 when none is open
  Boolean streaming = vbFalse;
  Boolean visible = vbTrue;
  Pacing pacing = Pacing::RealTime;
  bool started = false;  // the open driver has been started
  bool pushes = false;   // the open driver announces its own frames
  bool delivering = false;
  std::int64_t delivered = 0;
  std::int64_t skipped = 0;
};

ezVidCap::ezVidCap(const DriverRegistry& drivers) : impl_(std::make_unique<Impl>(drivers)) {
  MessageLoop::instance();  // the loop belongs to the thread that makes the component
}

ezVidCap::~ezVidCap() = default;

const DriverRegistry& ezVidCap::drivers() const {
  return impl_->drivers;
}

Variant ezVidCap::invoke(DispId id, MemberKind kind, std::span<Variant> args) {
  check_invocation(type_info(), id, kind, args);
  const bool put = kind == MemberKind::PropertyPut;
  switch (id) {
    case kDriverIndex:
      if (put) {
        impl_->set_driver_index(args[0].to_long());
        return {};
      }
      return Variant(impl_->driver_index);
    case kStreaming:
      if (put) {
        impl_->set_streaming(args[0].to_boolean_value());
        return {};
      }
      return Variant::from_boolean(impl_->streaming);
    case kVisible:
      if (put) {
        impl_->visible = args[0].to_boolean_value();
        return {};
      }
      return Variant::from_boolean(impl_->visible);
    case kCaptureWindow:
      return Variant(static_cast<Long>(impl_->window.handle()));
    default:
      break;
  }
  raise_error(errors::kMemberNotFound, type_info().name());
}

EventSource& ezVidCap::events() {
  return impl_->events;
}

void ezVidCap::set_pacing(Pacing pacing) {
  impl_->pacing = pacing;
  impl_->update_pacer();
}

ezVidCap::Pacing ezVidCap::pacing() const {
  return impl_->pacing;
}

std::size_t ezVidCap::deliver_frames(std::size_t count) {
  return impl_->deliver(count);
}

bool ezVidCap::wait_for_frame(std::chrono::milliseconds timeout) {
  if (!impl_->started || !impl_->driver) return true;
  return impl_->driver->wait_for_frame(timeout);
}

void ezVidCap::on_report(std::function<void(const Report&)> handler) {
  impl_->reporter = std::move(handler);
}

void ezVidCap::on_frame_handled(std::function<void()> handler) {
  impl_->frame_handled = std::move(handler);
}

Long ezVidCap::driver_index() const {
  return impl_->driver_index;
}

bool ezVidCap::streaming() const {
  return is_true(impl_->streaming);
}

bool ezVidCap::visible() const {
  return is_true(impl_->visible);
}

HWND ezVidCap::capture_window() const {
  return impl_->window.handle();
}

bool ezVidCap::latest_full_frame(FullFrame& frame) {
  return impl_->driver && impl_->driver->latest_full_frame(frame);
}

std::int64_t ezVidCap::frames_delivered() const {
  return impl_->delivered;
}

std::int64_t ezVidCap::frames_damaged() const {
  return impl_->driver ? impl_->driver->damaged_frames() : 0;
}

std::int64_t ezVidCap::frames_dropped() const {
  return impl_->pacer.dropped() + impl_->skipped;
}

}  // namespace zentrik
