#include "zentrik/events/ZoneHold.h"

namespace zentrik {

std::int64_t ZoneHold::hold(Integer layer, Integer zone) const {
  auto it = holds_.find({layer, zone});
  return it == holds_.end() ? default_ms_ : it->second;
}

std::optional<bool> ZoneHold::change(Integer layer, Integer zone, bool on, std::int64_t now_ms) {
  Zone& z = zones_[{layer, zone}];
  z.off_at.reset();
  if (on || hold(layer, zone) <= 0) {
    if (z.shown == on) return std::nullopt;
    z.shown = on;
    return on;
  }
  if (z.shown) z.off_at = now_ms + hold(layer, zone);
  return std::nullopt;
}

std::vector<ZoneKey> ZoneHold::expire(std::int64_t now_ms) {
  std::vector<ZoneKey> off;
  for (auto& [key, z] : zones_) {
    if (z.off_at && *z.off_at <= now_ms) {
      z.off_at.reset();
      z.shown = false;
      off.push_back(key);
    }
  }
  return off;
}

std::vector<ZoneKey> ZoneHold::release_all() {
  std::vector<ZoneKey> off;
  for (auto& [key, z] : zones_) {
    if (z.off_at) {
      z.off_at.reset();
      z.shown = false;
      off.push_back(key);
    }
  }
  return off;
}

bool ZoneHold::shown(Integer layer, Integer zone) const {
  auto it = zones_.find({layer, zone});
  return it != zones_.end() && it->second.shown;
}

void ZoneHold::reset(Integer layer, Integer zone, bool on) {
  zones_[{layer, zone}] = Zone{on, std::nullopt};
}

}  // namespace zentrik
