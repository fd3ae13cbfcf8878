// The command line of `zentrik watch`.
#include "watch/WatchOptions.h"

#include <cstring>

#include "cli/CommandLine.h"
#include "watch/DemoScript.h"
#include "zentrik/platform/files.h"
#include "zentrik/sources/MediaLocation.h"

namespace zentrik::cli {
namespace {

void read_script(const CommandLine& cl, WatchOptions& o) {
  if (auto file = cl.value("script")) {
    Long error = 0;
    auto text = read_file(*file, &error);
    if (!text) throw UsageError("cannot read the script " + *file + ": " + std::strerror(error));
    o.script_name = *file;
    o.script_text = *text;
  } else if (o.demo) {
    o.script_name = "demo script";
    o.script_text = kDemoScript;
  }
}

// --steady takes its settings only after "=": on its own it means the defaults.
std::vector<std::string> with_steady_value(std::vector<std::string> args) {
  for (std::string& word : args)
    if (word == "--steady") word = "--steady=on";
  return args;
}

void read_steady(const CommandLine& cl, WatchOptions& o) {
  if (auto text = cl.value("steady")) {
    std::string error;
    o.steady = parse_steady_settings(*text, error);
    if (!o.steady) throw UsageError("--steady: " + error);
  }
}

// Zone names, hold time and the broker.
void read_mqtt(const CommandLine& cl, WatchOptions& o) {
  std::string error;
  const std::string names = cl.value_or("zone-name", "");
  for (std::size_t start = 0; start < names.size();) {
    std::size_t comma = names.find(',', start);
    if (comma == std::string::npos) comma = names.size();
    if (!o.zone_names.parse(std::string_view(names).substr(start, comma - start), &error)) {
      throw UsageError("--zone-name: " + error);
    }
    start = comma + 1;
  }
  if (!o.hold.parse(cl.value_or("hold", "0"), &error)) throw UsageError("--hold: " + error);
  o.camera = cl.value_or("camera", "");
  if (o.camera.empty()) o.camera = host_name_word();
  if (!is_topic_word(o.camera)) {
    throw UsageError("--camera: \"" + o.camera + "\" must be letters, digits, '_' or '-'");
  }
  if (!cl.has("mqtt")) {
    if (cl.has("mqtt-ca")) throw UsageError("--mqtt-ca needs --mqtt");
    return;
  }
  MqttSettings settings;
  if (!parse_mqtt_url(cl.value_or("mqtt", ""), settings, &error)) throw UsageError(error);
  settings.ca_file = cl.value_or("mqtt-ca", "");
  if (!settings.ca_file.empty() && !settings.tls) {
    throw UsageError("--mqtt-ca is for mqtts:// addresses");
  }
  o.mqtt = settings;
}

// Options that would do nothing in the combination given are mistakes.
void refuse_idle_options(const WatchOptions& o) {
  if (o.plain_snapshots && o.snapshots.empty())
    throw UsageError("--plain-snapshots needs --snapshots");
  if (o.every_trigger && o.snapshots.empty())
    throw UsageError("--every-trigger needs --snapshots (it says which triggers get one)");
  if (o.retries && classify_location(o.source).kind == MediaKind::File)
    throw UsageError("--retries applies to a --source that is a stream or a camera");
}

}  // namespace

WatchOptions read_watch_options(const std::vector<std::string>& args) {
  CommandLine cl(
      with_steady_value(args),
      {"fast", "every-trigger", "quiet-fps", "plain-snapshots", "full-decode"},
      {"source", "script", "frames", "seconds", "format", "snapshots", "on-event", "retries",
       "mqtt", "mqtt-ca", "camera", "hold", "zone-name", "steady", "analyse-fps"});
  cl.at_most(0);
  WatchOptions o;
  o.source = cl.value_or("source", "");
  o.demo = o.source.empty() && !cl.has("script");
  read_script(cl, o);
  if (cl.has("frames")) o.frames = cl.number("frames", 0, 1, 1LL << 40);
  if (cl.has("seconds")) o.seconds = cl.real("seconds", 0, 0.001, 1e7);
  if (o.demo && !o.frames && !o.seconds) o.seconds = 10.0;
  o.fast = cl.has("fast");
  const std::string format = cl.value_or("format", "text");
  if (format != "text" && format != "json") throw UsageError("--format is text or json");
  o.json = format == "json";
  o.snapshots = cl.value_or("snapshots", o.demo ? "zentrik-snapshots" : "");
  o.every_trigger = cl.has("every-trigger");
  o.plain_snapshots = cl.has("plain-snapshots");
  o.on_event = cl.value_or("on-event", "");
  o.print_fps = !cl.has("quiet-fps");
  if (cl.has("retries")) o.retries = static_cast<int>(cl.number("retries", 0, 0, 1000));
  read_steady(cl, o);
  o.analyse_fps = cl.real("analyse-fps", 0.0, 0.1, 1000.0);
  o.full_decode = cl.has("full-decode");
  read_mqtt(cl, o);
  refuse_idle_options(o);
  return o;
}

}  // namespace zentrik::cli
