// Names and hold times that a host gives zones (per layer and zone number): names appear in
// events and MQTT topics, hold times steady the zone states a host publishes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "zentrik/platform/automation.h"

namespace zentrik {

using ZoneKey = std::pair<Integer, Integer>;  // (layer, zone)

class ZoneNames {
 public:
  // Names are 1 to 64 characters of a-z, A-Z, 0-9, '_' and '-', unique within a camera (they
  // become parts of MQTT topics). False with `error` set otherwise.
  bool set(Integer layer, Integer zone, std::string name, std::string* error);
  // "LAYER:ZONE=NAME", as `zentrik watch --zone-name` takes it.
  bool parse(std::string_view text, std::string* error);

  // The zone's name, empty when it has none.
  const std::string& name(Integer layer, Integer zone) const;
  // The name, or "L<layer>-Z<zone>" for a zone without one: its part of topic names.
  std::string id(Integer layer, Integer zone) const;
  const std::map<ZoneKey, std::string>& all() const { return names_; }

 private:
  std::map<ZoneKey, std::string> names_;
};

// True when `name` is a valid zone or camera name part of a topic ([A-Za-z0-9_-]{1,64}).
bool is_topic_word(std::string_view name);

}  // namespace zentrik
