#include "watch/WatchSession.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/Command.h"
#include "watch/EventCommand.h"
#include "watch/EventPrinter.h"
#include "watch/MqttConsumer.h"
#include "watch/ScriptRanges.h"
#include "watch/SnapshotTaker.h"
#include "watch/SourceMonitor.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/control/DriverSearch.h"
#include "zentrik/control/e_colordepth.h"
#include "zentrik/filters/SteadyDriver.h"
#include "zentrik/platform/message_loop.h"
#include "zentrik/sources/DriverOrder.h"
#include "zentrik/sources/V4l2Devices.h"

namespace zentrik::cli {
namespace {

// The names a script may use for the colour depths.
std::vector<NamedConstant> script_constants() {
  std::vector<NamedConstant> constants;
  for (const ColorDepthName& depth : kColorDepthNames)
    constants.push_back({depth.name, static_cast<Long>(depth.depth)});
  return constants;
}

WatchEvent event_of(DispId id, std::span<Variant> args) {
  WatchEvent e;
  e.kind = id == OrvexTypeLibrary::kMotionEvent ? "motion" : "color";
  e.layer = args[0].to_integer();
  e.zone = args[1].to_integer();
  e.status = args[2].to_boolean_value() != 0;
  if (id == OrvexTypeLibrary::kMotionEvent) {
    e.percentage = args[3].to_integer();
  } else {
    e.color = args[3].to_long();
    e.percentage = args[4].to_integer();
  }
  e.unix_ms = unix_ms_now();
  return e;
}

}  // namespace

WatchSession::WatchSession(WatchOptions options) : options_(std::move(options)) {}

WatchSession::~WatchSession() {
  if (control_) control_->events().unadvise();
}

std::optional<int> WatchSession::set_up() {
  if (!check_script()) return kExitUsage;
  signals_ = std::make_unique<StopSignals>();
  MediaSourceOptions sources = monitored_source_options(options_.retries);
  sources.analyse_fps = options_.analyse_fps;
  sources.full_decode = options_.full_decode;
  add_real_sources(drivers_, list_v4l2_devices(), options_.source, sources);
  if (options_.steady) make_steady(drivers_, *options_.steady);
  if (!open_control()) return kExitFailure;
  start_capture();
  add_consumers();  // after the script: they see its zones
  return std::nullopt;
}

// Everything that can be wrong in the script is found before capture starts.
bool WatchSession::check_script() {
  if (options_.script_text.empty()) return true;
  script_ = ControlScript::parse(options_.script_text, options_.script_name, script_constants());
  script_->check(OrvexTypeLibrary::interface_info());
  std::vector<std::string> messages = script_->messages();
  if (script_->ok()) messages = check_script_ranges(*script_);
  for (const std::string& message : messages) std::fprintf(stderr, "%s\n", message.c_str());
  return messages.empty();
}

// The report handler is in place before start-up opens the chosen driver, so a source that
// cannot be opened gets one message, naming it, and the run ends there.
bool WatchSession::open_control() {
  const DriverRegistry& drivers = drivers_;
  auto video = std::make_unique<ezVidCap>(drivers);
  video->on_report([this](const ezVidCap::Report& report) { on_report(report); });
  control_ = std::make_unique<orvex>(std::move(video));
  starting_ = false;
  if (open_failed_) return false;
  if (!options_.source.empty() &&
      control_->device_id() != static_cast<Integer>(drivers.size() - 1)) {
    std::fprintf(stderr, "zentrik watch: the source %s was not chosen\n", options_.source.c_str());
    return false;
  }
  return true;
}

// Consumers see each event in this order, with its snapshot written already.
void WatchSession::add_consumers() {
  consumers_.push_back(std::make_unique<EventPrinter>(*control_, options_));
  if (!options_.snapshots.empty())
    snapshots_ = std::make_unique<SnapshotTaker>(*control_, options_);
  if (!options_.on_event.empty())
    consumers_.push_back(std::make_unique<EventCommand>(options_.on_event));
  if (options_.mqtt)
    consumers_.push_back(
        std::make_unique<MqttConsumer>(*control_, options_, [this] { observe(); }));
}

void WatchSession::start_capture() {
  orvex& control = *control_;
  control.events().advise(this);
  control.video().set_pacing(options_.fast ? ezVidCap::Pacing::AsFastAsConsumed
                                           : ezVidCap::Pacing::RealTime);
  char description[kDriverTextSize] = {};
  char version[kDriverTextSize] = {};
  capGetDriverDescriptionA(drivers_, control.device_id(), description, kDriverTextSize, version,
                           kDriverTextSize);
  std::fprintf(stderr, "zentrik watch: driver %d: %s\n", control.device_id(), description);
  damage_ = std::make_unique<DamageWatch>(description);
  if (options_.source.empty() && control.device_id() == 0) {
    std::fprintf(stderr,
                 "zentrik watch: no camera found and no --source given: watching the built-in "
                 "virtual camera, whose events are made up\n");
  }
  if (script_) script_->run(control);
  warn_if_blind();
  if (control.active() != vbTrue) control.set_active(vbTrue);
  observe();
}

// A run that can report nothing says so.
void WatchSession::warn_if_blind() const {
  const OrvexState& state = control_->state();
  bool zones = false;
  for (Integer layer = 1; layer <= kZoneLayers && !zones; ++layer) {
    for (Integer zone = 1; zone <= kZonesPerLayer && !zones; ++zone)
      zones = state.motion_percentage(layer, zone) > 0 || state.color_percentage(layer, zone) > 0;
  }
  if (!zones) {
    std::fprintf(stderr, "zentrik watch: no zone is defined: no event will be reported\n");
  } else if (state.layer < 1) {
    std::fprintf(stderr, "zentrik watch: layer is 0 (detection off): no event will be reported\n");
  }
}

void WatchSession::on_report(const ezVidCap::Report& report) {
  if (report.number == ezVidCap::kSourceEndedError) {
    source_ended_ = true;
  } else {
    std::fprintf(stderr, "zentrik watch: %s\n", report.description.c_str());
    if (report.number == ezVidCap::kNoDriverError) source_failed_ = true;
    // A driver failure while starting is a source that cannot be opened; later, one that is
    // lost (a stream whose reconnection gave up): either ends the run.
    if (report.number == ezVidCap::kDriverFailedError)
      (starting_ ? open_failed_ : source_failed_) = true;
  }
  if (source_ended_ || source_failed_) MessageLoop::instance().quit();
}

void WatchSession::on_event(DispId id, std::span<Variant> args) {
  WatchEvent event = event_of(id, args);
  event.frame = control_->video().frames_delivered();
  event.name = options_.zone_names.name(event.layer, event.zone);
  event.warmup = warmup_.classify(event.layer, event.zone, event.status, event.frame);
  if (snapshots_) event.snapshot = snapshots_->take(event);
  ++events_;
  for (const auto& consumer : consumers_) consumer->on_event(event);
}

// The first frame evaluated with a layer is warm-up; the layer may change between frames.
void WatchSession::observe() {
  warmup_.observe(control_->layer(), control_->video().frames_delivered());
}

void WatchSession::between_frames() {
  damage_->check(control_->video());
  observe();
  for (const auto& consumer : consumers_) consumer->between_frames();
}

bool WatchSession::done() const {
  if (StopSignals::requested() || source_ended_ || source_failed_) return true;
  if (options_.frames && control_->video().frames_delivered() >= *options_.frames) return true;
  if (options_.seconds) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    if (elapsed.count() >= *options_.seconds) return true;
  }
  return false;
}

void WatchSession::run() {
  signals_->capture_started();
  start_ = std::chrono::steady_clock::now();
  if (options_.fast) {
    run_fast();
    return;
  }
  // Nothing polls: the loop wakes for frames, the time limit, a stop signal or the end.
  MessageLoop& loop = MessageLoop::instance();
  ezVidCap& video = control_->video();
  video.on_frame_handled([&] {
    between_frames();
    if (done()) loop.quit();
  });
  Timer limit;
  if (options_.seconds) {
    const double ms = std::ceil(*options_.seconds * 1000.0);
    limit.SetInterval(static_cast<Long>(std::min(ms, 2147483647.0)));
    limit.OnTick([&] {
      if (done()) loop.quit();
    });
  }
  loop.run();
  video.on_frame_handled(nullptr);
}

void WatchSession::run_fast() {
  MessageLoop& loop = MessageLoop::instance();
  ezVidCap& video = control_->video();
  while (!done()) {
    if (video.deliver_frames(1) == 0) {
      if (!video.streaming()) break;
      // A live source between frames: wait for the next one without spinning, looking at the
      // stop signal and the time limit a few times a second.
      video.wait_for_frame(std::chrono::milliseconds(100));
    }
    loop.run_until_idle();
    between_frames();
  }
}

int WatchSession::finish() {
  for (const auto& consumer : consumers_) consumer->finish();
  if (snapshots_) snapshots_->finish();
  const std::string damaged = damage_->summary(control_->video());
  control_->set_active(vbFalse);
  MessageLoop::instance().run_until_idle();
  std::fprintf(stderr, "zentrik watch: %lld frames, %lld events%s%s\n",
               static_cast<long long>(control_->video().frames_delivered()), events_,
               damaged.c_str(),
               StopSignals::requested() ? " (stopped)"
               : source_ended_          ? " (source ended)"
                                        : "");
  return source_failed_ ? kExitFailure : kExitOk;
}

}  // namespace zentrik::cli
