#include "ha_discovery.h"

#include <nlohmann/json.hpp>

namespace zentrik {
namespace {

using Json = nlohmann::ordered_json;

Json common(const DiscoveryCamera& camera, const std::string& object, const std::string& name) {
  Json j;
  j["name"] = name;
  j["unique_id"] = camera.node + "_" + object;
  j["object_id"] = camera.node + "_" + object;
  Json availability = Json::array();
  for (const std::string& topic : camera.availability) availability.push_back({{"topic", topic}});
  j["availability"] = availability;
  j["availability_mode"] = "all";
  j["device"] = {{"identifiers", Json::array({camera.node})},
                 {"name", "Zentrik " + camera.camera},
                 {"manufacturer", "Zentrik"},
                 {"model", "camera watcher"}};
  return j;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> discovery_messages(const DiscoveryCamera& camera,
                                                                    const std::string& prefix) {
  std::vector<std::pair<std::string, std::string>> out;
  const std::string base = "/" + camera.node + "/";
  for (const DiscoveryZone& zone : camera.zones) {
    const std::string title =
        zone.named ? zone.id
                   : "Layer " + std::to_string(zone.layer) + " zone " + std::to_string(zone.zone);
    Json j = common(camera, zone.id, title);
    j["state_topic"] = zone.state_topic;
    j["payload_on"] = "ON";
    j["payload_off"] = "OFF";
    if (zone.motion) j["device_class"] = "motion";
    out.emplace_back(prefix + "/binary_sensor" + base + zone.id + "/config", j.dump());
  }
  Json snapshot = common(camera, "snapshot", "Snapshot");
  snapshot["topic"] = camera.snapshot_topic;
  out.emplace_back(prefix + "/camera" + base + "snapshot/config", snapshot.dump());

  Json layer = common(camera, "layer", "Layer");
  layer["state_topic"] = camera.layer_state_topic;
  layer["command_topic"] = camera.layer_command_topic;
  Json options = Json::array();
  for (Integer l : camera.layers) options.push_back(std::to_string(l));
  layer["options"] = options;
  out.emplace_back(prefix + "/select" + base + "layer/config", layer.dump());
  return out;
}

}  // namespace zentrik
