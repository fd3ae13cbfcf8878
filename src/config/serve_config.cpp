// The YAML reader of the serve configuration. Only this file sees yaml-cpp: it walks the document
// by hand so that every unknown key, wrong type or bad value is reported with its line.
#include <yaml-cpp/yaml.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "zentrik/config/ServeConfig.h"

namespace zentrik {
namespace {

constexpr std::size_t kMaxCameraName = 32;
constexpr std::size_t kMaxCameras = 64;

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
    check_keys(node, where, {"name", "source", "script", "snapshots", "steady", "analyse_fps"});
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
    return c;
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
    check_keys(root, "", {"listen", "token", "state", "cameras"});
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
