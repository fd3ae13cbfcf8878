// The YAML reader of the serve configuration. Only this file sees yaml-cpp: it walks the document
// by hand so that every unknown key, wrong type or bad value is reported with its line.
#include <yaml-cpp/yaml.h>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "zentrik/config/ServeConfig.h"

namespace zentrik {
namespace {

constexpr std::size_t kMaxCameraName = 32;
constexpr std::size_t kMaxCameras = 64;
constexpr double kMaxHoldSeconds = 86400;

class Reader {
 public:
  Reader(std::string file, std::string base) : file_(std::move(file)), base_(std::move(base)) {}

  [[noreturn]] void fail(const YAML::Node& node, const std::string& key,
                         const std::string& reason) const {
    fail_at(node.Mark().is_null() ? 0 : node.Mark().line + 1, key, reason);
  }
  [[noreturn]] void fail_at(int line, const std::string& key, const std::string& reason) const {
    std::string where = file_;
    if (line > 0) where += ":" + std::to_string(line);
    throw ConfigError(where + ": " + (key.empty() ? "" : key + ": ") + reason);
  }

  std::string text(const YAML::Node& node, const std::string& key) const {
    if (!node.IsScalar()) fail(node, key, "expected a text value");
    return node.Scalar();
  }
  std::string path(const YAML::Node& node, const std::string& key) const {
    std::string value = text(node, key);
    if (value.empty()) fail(node, key, "must not be empty");
    if (base_.empty() || std::filesystem::path(value).is_absolute()) return value;
    return (std::filesystem::path(base_) / value).lexically_normal().string();
  }

  void check_keys(const YAML::Node& map, const std::string& where,
                  const std::set<std::string>& allowed) const {
    if (!map.IsMap()) fail(map, where, "expected a mapping of keys");
    for (const auto& item : map) {
      const std::string key = item.first.Scalar();
      if (!allowed.count(key)) {
        fail(item.first, where.empty() ? key : where + "." + key, "unknown key");
      }
    }
  }

  CameraConfig camera(const YAML::Node& node, std::size_t index) const {
    const std::string where = "cameras[" + std::to_string(index) + "]";
    check_keys(node, where,
               {"name", "source", "script", "snapshots", "steady", "analyse_fps", "full_decode",
                "hold", "zones"});
    CameraConfig c;
    c.line = node.Mark().line + 1;
    if (!node["name"]) fail(node, where + ".name", "missing (every camera needs a name)");
    c.name = text(node["name"], where + ".name");
    if (!valid_camera_name(c.name)) {
      fail(node["name"], where + ".name",
           "'" + c.name + "' is not a name of 1 to 32 characters a-z, 0-9, _ and -");
    }
    if (node["source"]) c.source = text(node["source"], where + ".source");
    if (node["script"]) c.script = path(node["script"], where + ".script");
    if (node["snapshots"]) c.snapshots = path(node["snapshots"], where + ".snapshots");
    if (node["steady"]) c.steady = steady(node["steady"], where + ".steady");
    if (node["analyse_fps"])
      c.analyse_fps = analyse_fps(node["analyse_fps"], where + ".analyse_fps");
    if (node["full_decode"]) c.full_decode = boolean(node["full_decode"], where + ".full_decode");
    if (node["hold"]) c.hold_ms = hold_ms(node["hold"], where + ".hold");
    if (node["zones"]) zones(node["zones"], where + ".zones", c);
    return c;
  }

  // A list of {layer, zone, name, hold}: names and hold times of single zones.
  void zones(const YAML::Node& list, const std::string& key, CameraConfig& c) const {
    if (!list.IsSequence()) fail(list, key, "expected a list of {layer, zone, name, hold}");
    for (std::size_t i = 0; i < list.size(); ++i) {
      const YAML::Node node = list[i];
      const std::string where = key + "[" + std::to_string(i) + "]";
      check_keys(node, where, {"layer", "zone", "name", "hold"});
      for (const char* needed : {"layer", "zone"}) {
        if (!node[needed]) fail(node, where + "." + needed, "missing");
      }
      const auto layer = static_cast<Integer>(number(node["layer"], where + ".layer", 1, 64));
      const auto zone = static_cast<Integer>(number(node["zone"], where + ".zone", 1, 64));
      if (!node["name"] && !node["hold"]) fail(node, where, "give the zone a name or a hold");
      std::string error;
      if (node["name"] &&
          !c.zone_names.set(layer, zone, text(node["name"], where + ".name"), &error)) {
        fail(node["name"], where + ".name", error);
      }
      if (node["hold"]) c.zone_hold_ms[{layer, zone}] = hold_ms(node["hold"], where + ".hold");
    }
  }

  long number(const YAML::Node& node, const std::string& key, long low, long high) const {
    const std::string value = text(node, key);
    char* end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || n < low || n > high) {
      fail(node, key,
           "'" + value + "' is not a whole number from " + std::to_string(low) + " to " +
               std::to_string(high));
    }
    return n;
  }

  std::int64_t hold_ms(const YAML::Node& node, const std::string& key) const {
    const std::string value = text(node, key);
    char* end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(seconds >= 0 && seconds <= kMaxHoldSeconds))
      fail(node, key, "'" + value + "' is not a number of seconds from 0 to 86400");
    return std::llround(seconds * 1000);
  }

  bool boolean(const YAML::Node& node, const std::string& key) const {
    const std::string value = text(node, key);
    if (value != "true" && value != "false") fail(node, key, "expected true or false");
    return value == "true";
  }

  // The broker: address, credentials, TLS, client id and topic prefixes.
  MqttSettings mqtt(const YAML::Node& node) const {
    check_keys(node, "mqtt",
               {"host", "port", "client_id", "username", "password", "tls", "ca_file",
                "topic_prefix", "discovery_prefix"});
    MqttSettings m;
    if (node["tls"]) m.tls = boolean(node["tls"], "mqtt.tls");
    if (node["ca_file"]) {
      m.ca_file = path(node["ca_file"], "mqtt.ca_file");
      if (!m.tls) fail(node["ca_file"], "mqtt.ca_file", "is for `tls: true` only");
      if (access(m.ca_file.c_str(), R_OK) != 0)
        fail(node["ca_file"], "mqtt.ca_file", "cannot read " + m.ca_file + ": " + strerror(errno));
    }
    m.port = m.tls ? 8883 : 1883;
    if (node["host"]) m.host = text(node["host"], "mqtt.host");
    if (m.host.empty() || m.host.find_first_of(" /") != std::string::npos)
      fail(node["host"], "mqtt.host", "'" + m.host + "' is not a host name or address");
    if (node["port"]) m.port = static_cast<int>(number(node["port"], "mqtt.port", 1, 65535));
    if (node["client_id"]) {
      m.client_id = text(node["client_id"], "mqtt.client_id");
      if (!is_topic_word(m.client_id))
        fail(node["client_id"], "mqtt.client_id",
             "'" + m.client_id + "' is not 1 to 64 letters, digits, '_' or '-'");
    }
    if (node["username"]) m.username = text(node["username"], "mqtt.username");
    if (node["password"]) m.password = text(node["password"], "mqtt.password");
    if (!m.password.empty() && m.username.empty())
      fail(node["password"], "mqtt.password", "needs a username");
    for (auto [name, target] : {std::pair{"topic_prefix", &m.topic_prefix},
                                std::pair{"discovery_prefix", &m.discovery_prefix}}) {
      if (!node[name]) continue;
      *target = node[name].IsNull() ? "" : text(node[name], std::string("mqtt.") + name);
      const bool may_be_empty = target == &m.discovery_prefix;  // empty: no discovery
      if (!(target->empty() && may_be_empty) && !is_topic_prefix(*target))
        fail(node[name], std::string("mqtt.") + name,
             "'" + *target + "' is not words separated by '/' without + or #");
    }
    return m;
  }

  // `true`/`false`, or a mapping of the settings (tolerance, neighbours, light) over the defaults.
  std::optional<SteadySettings> steady(const YAML::Node& node, const std::string& key) const {
    std::string settings;
    if (node.IsScalar()) {
      const std::string value = node.Scalar();
      if (value == "true") return SteadySettings{};
      if (value == "false") return std::nullopt;
      fail(node, key, "expected true, false or a mapping of tolerance, neighbours and light");
    }
    check_keys(node, key, {"tolerance", "neighbours", "light"});
    for (const auto& item : node) {
      if (!settings.empty()) settings += ',';
      settings += item.first.Scalar() + "=" + text(item.second, key + "." + item.first.Scalar());
    }
    std::string error;
    std::optional<SteadySettings> read = parse_steady_settings(settings, error);
    if (!read) fail(node, key, error);
    return read;
  }

  double analyse_fps(const YAML::Node& node, const std::string& key) const {
    const std::string value = text(node, key);
    char* end = nullptr;
    const double rate = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(rate >= 0.1 && rate <= 1000.0))
      fail(node, key, "'" + value + "' is not a number of frames a second from 0.1 to 1000");
    return rate;
  }

  ServeConfig read(const YAML::Node& root) const {
    ServeConfig config;
    config.file = file_;
    if (root.IsNull()) fail_at(1, "", "the file is empty");
    check_keys(root, "", {"listen", "token", "state", "cameras", "mqtt"});
    if (root["mqtt"]) config.mqtt = mqtt(root["mqtt"]);
    if (root["listen"]) {
      config.listen = text(root["listen"], "listen");
      std::string host;
      int port = 0;
      if (!split_listen_address(config.listen, host, port)) {
        fail(root["listen"], "listen", "'" + config.listen + "' is not HOST:PORT");
      }
    }
    if (root["token"]) config.token = text(root["token"], "token");
    config.state = root["state"] ? path(root["state"], "state") : path_default();
    if (!root["cameras"]) fail_at(1, "cameras", "missing (list at least one camera)");
    const YAML::Node cameras = root["cameras"];
    if (!cameras.IsSequence() || cameras.size() == 0) {
      fail(cameras, "cameras", "expected a list of at least one camera");
    }
    if (cameras.size() > kMaxCameras) {
      fail(cameras, "cameras", "at most " + std::to_string(kMaxCameras) + " cameras");
    }
    std::set<std::string> names;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
      CameraConfig c = camera(cameras[i], i);
      if (!names.insert(c.name).second) {
        fail(cameras[i]["name"], "cameras[" + std::to_string(i) + "].name",
             "'" + c.name + "' is used twice");
      }
      config.cameras.push_back(std::move(c));
    }
    return config;
  }

 private:
  std::string path_default() const {
    const std::string name = ServeConfig{}.state;
    return base_.empty() ? name : (std::filesystem::path(base_) / name).string();
  }

  std::string file_;
  std::string base_;
};

}  // namespace

bool valid_camera_name(std::string_view name) {
  if (name.empty() || name.size() > kMaxCameraName) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

bool split_listen_address(const std::string& address, std::string& host, int& port) {
  const std::size_t colon = address.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == address.size()) return false;
  host = address.substr(0, colon);
  if (host.front() == '[') {
    if (host.back() != ']' || host.size() < 3) return false;
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string::npos) {
    return false;
  }
  const std::string digits = address.substr(colon + 1);
  if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  port = std::stoi(digits);
  return port <= 65535;
}

bool is_loopback_host(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

ServeConfig parse_serve_config(std::string_view text, const std::string& file_name,
                               const std::string& base_dir) {
  Reader reader(file_name, base_dir);
  YAML::Node root;
  try {
    root = YAML::Load(std::string(text));
  } catch (const YAML::Exception& e) {
    reader.fail_at(e.mark.is_null() ? 0 : e.mark.line + 1, "", e.msg);
  }
  return reader.read(root);
}

ServeConfig load_serve_config(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ConfigError(path + ": cannot read the file");
  std::ostringstream text;
  text << in.rdbuf();
  const std::string base = std::filesystem::path(path).parent_path().string();
  return parse_serve_config(text.str(), path, base.empty() ? "." : base);
}

}  // namespace zentrik
