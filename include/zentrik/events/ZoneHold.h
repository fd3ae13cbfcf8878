// Steady zone states: a zone's published state goes ON at once and OFF only once the zone has
// stayed off for its hold time, so a person walking through is one ON and one OFF. A hold of 0
// follows the control's transitions exactly.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zentrik/events/ZoneNames.h"

namespace zentrik {

class ZoneHold {
 public:
  explicit ZoneHold(std::int64_t default_ms = 0) : default_ms_(default_ms) {}
  // Reads "SECONDS" (every zone), "LAYER:ZONE=SECONDS" (one zone) or a comma-separated list of
  // them, as `zentrik watch --hold` takes it; seconds are 0 to 86400, fractions allowed. False
  // with `error` set (nothing changed).
  bool parse(std::string_view text, std::string* error);
  void set_hold(Integer layer, Integer zone, std::int64_t ms) { holds_[{layer, zone}] = ms; }
  std::int64_t hold(Integer layer, Integer zone) const;

  // The control's state of the zone changed to `on` at `now_ms`; returns the state to publish
  // now, if the published one changes.
  std::optional<bool> change(Integer layer, Integer zone, bool on, std::int64_t now_ms);
  // Zones whose hold has run out by `now_ms`: they are OFF now (publish it).
  std::vector<ZoneKey> expire(std::int64_t now_ms);
  // Every zone still held ON although the control has it off: OFF now (the end of a run).
  std::vector<ZoneKey> release_all();
  // The published state (false for a zone never seen).
  bool shown(Integer layer, Integer zone) const;
  // Sets the published state without a hold (a state read from the control at start-up).
  void reset(Integer layer, Integer zone, bool on);

 private:
  struct Zone {
    bool shown = false;
    std::optional<std::int64_t> off_at;  // a pending OFF
  };
  std::int64_t default_ms_;
  std::map<ZoneKey, std::int64_t> holds_;
  std::map<ZoneKey, Zone> zones_;
};

}  // namespace zentrik
