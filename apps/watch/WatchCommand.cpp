// `zentrik watch`: hosts the orvex control on the message loop, drives it with a control script,
// and prints its events and frame rate until the run length is reached, the source ends, or
// Ctrl-C stops capture.
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "watch/DemoScript.h"
#include "watch/EventCommand.h"
#include "watch/WatchEvent.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/control/DriverSearch.h"
#include "zentrik/control/orvex.h"
#include "zentrik/filters/SteadyDriver.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/imaging/mIntelJPEGLibrary.h"
#include "zentrik/platform/files.h"
#include "zentrik/platform/message_loop.h"
#include "zentrik/script/ControlScript.h"
#include "zentrik/sources/DriverOrder.h"
#include "zentrik/sources/SourceStatus.h"
#include "zentrik/sources/V4l2Devices.h"

namespace zentrik::cli {

const char* const kWatchHelp =
    "usage: zentrik watch [OPTIONS]\n"
    "\n"
    "Watches a source with the orvex control and prints its motion and color events.\n"
    "With no options it runs the demo: the built-in virtual camera with the zones of\n"
    "examples/demo.zentrik for ten seconds, writing a snapshot into ./zentrik-snapshots when a\n"
    "zone first triggers.\n"
    "\n"
    "options:\n"
    "  --source SRC         a video file, a stream URL (rtsp://, http://) or a camera\n"
    "                       (/dev/video0); without it the control picks a camera if there is\n"
    "                       one, else the virtual camera\n"
    "  --script FILE        control script run before capture starts (default: the demo\n"
    "                       script when no --source is given)\n"
    "  --frames N           stop after N frames\n"
    "  --seconds S          stop after S seconds (default: 10 for the demo, else until the\n"
    "                       source ends or Ctrl-C)\n"
    "  --fast               deliver frames as fast as they can be handled (files, tests)\n"
    "  --format text|json   event lines: readable (default) or JSON with time and frame\n"
    "  --snapshots DIR      write a JPEG snapshot into DIR when a zone first triggers\n"
    "  --every-trigger      with --snapshots: a snapshot on every trigger, not only the first\n"
    "  --on-event CMD       run CMD through /bin/sh on each event, with ZENTRIK_EVENT,\n"
    "                       ZENTRIK_LAYER, ZENTRIK_ZONE, ZENTRIK_STATUS, ZENTRIK_PERCENTAGE,\n"
    "                       ZENTRIK_COLOR, ZENTRIK_FRAME and ZENTRIK_TIME in its environment\n"
    "  --quiet-fps          do not print the frames-per-second figure each second\n"
    "  --steady[=SETTINGS]  steady the picture before the control sees it: sensor noise, lone\n"
    "                       flickering points and changes of light raise nothing; SETTINGS\n"
    "                       as tolerance=24,neighbours=2,light=64 (the defaults)\n"
    "\n"
    "Ctrl-C stops capture cleanly and exits with status 0. Exit status 2: a wrong option or\n"
    "script; 1: the source could not be used.\n";

namespace {

std::atomic<bool> g_interrupted{false};  // set by SIGINT/SIGTERM, read by the loop

extern "C" void on_signal(int) {
  g_interrupted.store(true);
}

std::int64_t unix_ms_now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

struct WatchOptions {
  std::string source;
  std::string script_name;
  std::string script_text;
  std::optional<long long> frames;
  std::optional<double> seconds;
  bool fast = false;
  bool json = false;
  std::string snapshots;
  bool every_trigger = false;
  std::string on_event;
  bool print_fps = true;
  std::optional<SteadySettings> steady;
};

// --steady takes its settings only after "=": on its own it means the defaults.
std::vector<std::string> with_steady_value(std::vector<std::string> args) {
  for (std::string& word : args)
    if (word == "--steady") word = "--steady=on";
  return args;
}

WatchOptions read_options(const std::vector<std::string>& args) {
  CommandLine cl(
      with_steady_value(args), {"fast", "every-trigger", "quiet-fps"},
      {"source", "script", "frames", "seconds", "format", "snapshots", "on-event", "steady"});
  cl.at_most(0);
  WatchOptions o;
  o.source = cl.value_or("source", "");
  const bool demo = o.source.empty() && !cl.has("script");
  if (auto file = cl.value("script")) {
    Long error = 0;
    auto text = read_file(*file, &error);
    if (!text) throw UsageError("cannot read the script " + *file + ": " + std::strerror(error));
    o.script_name = *file;
    o.script_text = *text;
  } else if (demo) {
    o.script_name = "demo script";
    o.script_text = kDemoScript;
  }
  if (cl.has("frames")) o.frames = cl.number("frames", 0, 1, 1LL << 40);
  if (cl.has("seconds")) o.seconds = cl.real("seconds", 0, 0.001, 1e7);
  if (demo && !o.frames && !o.seconds) o.seconds = 10.0;
  o.fast = cl.has("fast");
  const std::string format = cl.value_or("format", "text");
  if (format != "text" && format != "json") throw UsageError("--format is text or json");
  o.json = format == "json";
  o.snapshots = cl.value_or("snapshots", demo ? "zentrik-snapshots" : "");
  o.every_trigger = cl.has("every-trigger");
  o.on_event = cl.value_or("on-event", "");
  o.print_fps = !cl.has("quiet-fps");
  if (auto text = cl.value("steady")) {
    std::string error;
    o.steady = parse_steady_settings(*text, error);
    if (!o.steady) throw UsageError("--steady: " + error);
  }
  return o;
}

constexpr Long kSnapshotQuality = 90;  // as the control writes its JPEG snapshots

// Prints events, runs the event command and asks for snapshots; one per control.
class WatchHost : public EventSink {
 public:
  WatchHost(orvex& control, const WatchOptions& options) : control_(control), options_(options) {
    if (!options.on_event.empty()) command_ = std::make_unique<EventCommand>(options.on_event);
    if (!options.snapshots.empty()) prepare_snapshots();
  }

  void on_event(DispId id, std::span<Variant> args) override {
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
    e.frame = control_.video().frames_delivered();
    e.unix_ms = unix_ms_now();
    ++events_;
    std::printf("%s\n", (options_.json ? format_json(e) : format_text(e)).c_str());
    std::fflush(stdout);
    if (command_) command_->start(e);
    if (e.status) request_snapshot(e);
  }

  void print_fps() {
    if (!options_.print_fps) return;
    const std::string& caption = control_.fps_display().Caption();
    if (options_.json) {
      std::printf("{\"time\":\"%s\",\"frame\":%lld,\"fps\":%s}\n",
                  format_utc(unix_ms_now()).c_str(),
                  static_cast<long long>(control_.video().frames_delivered()),
                  caption.substr(caption.find('=') + 2).c_str());
    } else {
      std::printf("%s\n", caption.c_str());
    }
    std::fflush(stdout);
  }

  // Between frames: reaps finished event commands and hands the control the next snapshot
  // request once it has served the previous one (a second request in one frame would replace
  // the first).
  void between_frames() {
    if (command_) command_->reap();
    if (!pending_.empty() && control_.state().snapshot_file.empty()) {
      std::string file = pending_.front();
      pending_.erase(pending_.begin());
      Boolean truecolor = vbTrue;
      control_.save_picture(file, truecolor);
    }
  }
  // At the end of the run no frame will serve the requests still waiting (the one handed to
  // the control included): they are written from the last grabbed frame, so a zone that
  // triggers on the final frames still leaves its snapshot.
  void flush_snapshots() {
    std::vector<std::string> files;
    if (!control_.state().snapshot_file.empty()) files.push_back(control_.state().snapshot_file);
    files.insert(files.end(), pending_.begin(), pending_.end());
    pending_.clear();
    if (files.empty()) return;
    std::string none;
    Boolean truecolor = vbTrue;
    control_.save_picture(none, truecolor);
    const PicturePtr last = control_.picture(vbTrue);
    if (!last) return;
    cDIBSection image;
    image.CreateFromPicture(*last);
    for (const std::string& file : files) WriteJpegFile(image, file, kSnapshotQuality);
  }
  long long events() const { return events_; }
  // Waits for the event commands still running; how many of them all did not exit with 0.
  int failed_commands() {
    if (!command_) return 0;
    command_->wait();
    return command_->failures();
  }

 private:
  void prepare_snapshots() {
    std::error_code ec;
    std::filesystem::create_directories(options_.snapshots, ec);
    const std::string probe = options_.snapshots + "/.zentrik-write-test";
    File file = File::create(probe);
    if (ec || !file.is_open()) {
      std::fprintf(stderr,
                   "zentrik watch: cannot write snapshots to %s: %s; watching goes on without "
                   "snapshots\n",
                   options_.snapshots.c_str(),
                   (ec ? ec.message() : std::string(std::strerror(file.error()))).c_str());
      snapshots_ok_ = false;
      return;
    }
    file.close();
    DeleteFileA(probe);
    snapshots_ok_ = true;
  }

  void request_snapshot(const WatchEvent& e) {
    if (!snapshots_ok_) return;
    auto& seen = triggered_[{e.layer, e.zone}];
    if (seen && !options_.every_trigger) return;
    seen = true;
    pending_.push_back(options_.snapshots + "/" + e.kind + "-L" + std::to_string(e.layer) + "-Z" +
                       std::to_string(e.zone) + "-f" + std::to_string(e.frame) + ".jpg");
  }

  orvex& control_;
  const WatchOptions& options_;
  std::unique_ptr<EventCommand> command_;
  bool snapshots_ok_ = false;
  std::map<std::pair<Integer, Integer>, bool> triggered_;
  std::vector<std::string> pending_;  // snapshot files still to ask for, oldest first
  long long events_ = 0;
};

}  // namespace

int run_watch(const std::vector<std::string>& args) {
  const WatchOptions options = read_options(args);

  // Everything that can be wrong in the script is found before capture starts.
  static const NamedConstant kConstants[] = {{"low", 16}, {"medium", 256}, {"high", 65535}};
  std::optional<ControlScript> script;
  if (!options.script_text.empty()) {
    script = ControlScript::parse(options.script_text, options.script_name, kConstants);
    script->check(OrvexTypeLibrary::interface_info());
    if (!script->ok()) {
      for (const std::string& message : script->messages()) {
        std::fprintf(stderr, "%s\n", message.c_str());
      }
      return kExitUsage;
    }
  }

  DriverRegistry& drivers = DriverRegistry::system();
  // A stream that drops is reconnected by its reader thread; say so on the loop's thread.
  MediaSourceOptions source_options;
  source_options.on_status = [](const SourceStatus& status) {
    if (status.state != SourceState::Retrying && status.state != SourceState::Failed) return;
    MessageLoop::instance().post(
        [line = describe(status)] { std::fprintf(stderr, "zentrik watch: %s\n", line.c_str()); });
  };
  add_real_sources(drivers, list_v4l2_devices(), options.source, source_options);
  if (options.steady) make_steady(drivers, *options.steady);

  MessageLoop& loop = MessageLoop::instance();
  bool starting = true;
  bool open_failed = false;
  bool source_failed = false;
  bool source_ended = false;
  // The handler is in place before start-up opens the chosen driver, so a source that cannot
  // be opened gets one message, naming it, and the run ends there.
  auto video = std::make_unique<ezVidCap>(drivers);
  video->on_report([&](const ezVidCap::Report& report) {
    if (report.number == ezVidCap::kSourceEndedError) {
      source_ended = true;
    } else {
      std::fprintf(stderr, "zentrik watch: %s\n", report.description.c_str());
      if (report.number == ezVidCap::kNoDriverError) source_failed = true;
      if (starting && report.number == ezVidCap::kDriverFailedError) open_failed = true;
    }
    if (source_ended || source_failed) loop.quit();
  });
  orvex control(std::move(video));
  starting = false;
  if (open_failed) return kExitFailure;
  if (!options.source.empty() && control.device_id() != static_cast<Integer>(drivers.size() - 1)) {
    std::fprintf(stderr, "zentrik watch: the source %s was not chosen\n", options.source.c_str());
    return kExitFailure;
  }

  WatchHost host(control, options);
  control.events().advise(&host);
  control.video().set_pacing(options.fast ? ezVidCap::Pacing::AsFastAsConsumed
                                          : ezVidCap::Pacing::RealTime);
  char description[kDriverTextSize] = {};
  char version[kDriverTextSize] = {};
  capGetDriverDescriptionA(control.device_id(), description, kDriverTextSize, version,
                           kDriverTextSize);
  std::fprintf(stderr, "zentrik watch: driver %d: %s\n", control.device_id(), description);

  if (script) script->run(control);
  if (control.active() != vbTrue) control.set_active(vbTrue);

  struct sigaction action {};
  action.sa_handler = on_signal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  Timer fps;  // made after the control's timer: each tick reads the label it has just set
  fps.SetInterval(orvex::kTimerIntervalMs);
  fps.OnTick([&] { host.print_fps(); });

  const auto start = std::chrono::steady_clock::now();
  auto done = [&] {
    if (g_interrupted.load() || source_ended || source_failed) return true;
    if (options.frames && control.video().frames_delivered() >= *options.frames) return true;
    if (options.seconds) {
      std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
      if (elapsed.count() >= *options.seconds) return true;
    }
    return false;
  };
  Timer watchdog;  // real-time runs: checks the limits between frames
  watchdog.SetInterval(5);
  watchdog.OnTick([&] {
    host.between_frames();
    if (done()) loop.quit();
  });

  if (options.fast) {
    while (!done()) {
      if (control.video().deliver_frames(1) == 0 && !control.video().streaming()) break;
      loop.run_until_idle();
      host.between_frames();
    }
  } else {
    loop.run();
  }
  host.flush_snapshots();
  control.set_active(vbFalse);
  loop.run_until_idle();

  if (const int failed = host.failed_commands()) {
    std::fprintf(stderr, "zentrik watch: the event command failed %d times (exit status not 0)\n",
                 failed);
  }

  std::fprintf(stderr, "zentrik watch: %lld frames, %lld events%s\n",
               static_cast<long long>(control.video().frames_delivered()), host.events(),
               g_interrupted.load() ? " (stopped)"
               : source_ended       ? " (source ended)"
                                    : "");
  return source_failed ? kExitFailure : kExitOk;
}

}  // namespace zentrik::cli
