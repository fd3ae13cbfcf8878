// Home Assistant MQTT discovery: the retained config messages that make a camera's zones binary
// sensors, its snapshot a camera entity and its layer a select, all available while both the
// camera's and the client's state topics say "online".
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "zentrik/platform/automation.h"

namespace zentrik {

struct DiscoveryZone {
  Integer layer = 0;
  Integer zone = 0;
  std::string id;  // zone name or L<layer>-Z<zone>
  bool named = false;
  bool motion = false;  // holds a motion zone (else only a colour zone)
  std::string state_topic;
};

struct DiscoveryCamera {
  std::string camera;
  std::string node;                       // unique object id of the camera on the broker
  std::vector<std::string> availability;  // topics that must say "online"
  std::string snapshot_topic;
  std::string layer_state_topic;
  std::string layer_command_topic;
  std::vector<DiscoveryZone> zones;
  std::vector<Integer> layers;  // options of the layer select
};

// (topic, JSON payload) pairs, to be published retained.
std::vector<std::pair<std::string, std::string>> discovery_messages(
    const DiscoveryCamera& camera, const std::string& discovery_prefix);

}  // namespace zentrik
