// The configuration file of `zentrik serve`: where to listen, the token that guards it, the state
// folder and the cameras. Plain structs; the loader reads YAML and names file, line and key on
// every fault.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "zentrik/events/ZoneNames.h"
#include "zentrik/filters/SteadySettings.h"
#include "zentrik/mqtt/MqttSettings.h"

namespace zentrik {

struct CameraConfig {
  std::string name;       // [a-z0-9_-]+, unique; used in URLs
  std::string source;     // anything `watch --source` takes; empty: the virtual camera
  std::string script;     // control script file (zones); empty: none
  std::string snapshots;  // snapshot folder; empty: <state>/snapshots/<name>
  int line = 0;           // where the camera starts in the file (0: not from a file)
  std::optional<SteadySettings> steady;  // `steady: true` or its settings; nothing: off
  double analyse_fps = 0.0;              // `analyse_fps: N`; 0: every frame
  bool full_decode = false;  // `full_decode: true`: no decoding shortcuts for large pictures
  // `hold: SECONDS`: how long a zone's published state stays ON after the zone cleared; 0 follows
  // the control's transitions exactly.
  std::int64_t hold_ms = 0;
  ZoneNames zone_names;                          // `zones: [{layer, zone, name}]`
  std::map<ZoneKey, std::int64_t> zone_hold_ms;  // `zones: [{layer, zone, hold}]`
};

struct ServeConfig {
  std::string listen = "127.0.0.1:8080";
  std::string token;  // required when `listen` is not a loopback address
  std::string state = "zentrik-state";
  std::vector<CameraConfig> cameras;
  std::optional<MqttSettings> mqtt;  // `mqtt:`; nothing: no broker
  std::string file;                  // the file read (empty: built in)
};

// A fault in a configuration file: "FILE:LINE: KEY: REASON".
class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the YAML text; `file_name` labels the messages. Relative paths (script, snapshots,
// state) are taken relative to `base_dir` when it is not empty. Throws ConfigError.
ServeConfig parse_serve_config(std::string_view text, const std::string& file_name,
                               const std::string& base_dir = {});
// Reads and parses a file; paths in it are relative to the file's folder.
ServeConfig load_serve_config(const std::string& path);

// True for a camera name of 1 to 32 characters a-z, 0-9, '_' and '-'.
bool valid_camera_name(std::string_view name);

// Splits "HOST:PORT" ("[v6]:PORT" too); false when it is not of that form or the port is not
// 0..65535.
bool split_listen_address(const std::string& address, std::string& host, int& port);
// True for 127.0.0.0/8, ::1 and "localhost".
bool is_loopback_host(const std::string& host);

}  // namespace zentrik
