// What `zentrik watch` was asked to do, read from its command line. A new option is a field here
// and a line in read_watch_options().
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zentrik/events/ZoneHold.h"
#include "zentrik/events/ZoneNames.h"
#include "zentrik/filters/SteadySettings.h"
#include "zentrik/mqtt/MqttSettings.h"

namespace zentrik::cli {

struct WatchOptions {
  std::string source;       // empty: the control picks a camera, else the virtual camera
  std::string script_name;  // for messages: the file name, or "demo script"
  std::string script_text;  // empty: no script
  bool demo = false;        // neither --source nor --script: the demo run
  std::optional<long long> frames;
  std::optional<double> seconds;
  bool fast = false;
  bool json = false;
  std::string snapshots;  // folder; empty: no snapshots
  bool every_trigger = false;
  bool plain_snapshots = false;  // --plain-snapshots: no zone rectangle drawn
  std::string on_event;
  bool print_fps = true;
  std::optional<int> retries;        // reconnection attempts after a live source drops
  ZoneNames zone_names;              // --zone-name LAYER:ZONE=NAME,...
  std::optional<MqttSettings> mqtt;  // --mqtt URL (and --mqtt-ca); none: no MQTT
  std::string camera;                // the camera's name in MQTT topics
  ZoneHold hold;  // --hold: how long a zone's published state stays ON after the zone cleared
  std::optional<SteadySettings> steady;  // nothing: frames as the source gives them
  double analyse_fps = 0.0;              // 0: every frame
  bool full_decode = false;              // --full-decode: no decoding shortcuts
};

// Reads and checks the options; UsageError (exit status 2) for anything wrong.
WatchOptions read_watch_options(const std::vector<std::string>& args);

}  // namespace zentrik::cli
