#include "zentrik/events/ZoneHold.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "zentrik/control/ZoneTable.h"

namespace zentrik {
namespace {

constexpr double kMaxHoldSeconds = 86400;

bool read_seconds(std::string_view text, std::int64_t& ms) {
  const std::string copy(text);
  char* end = nullptr;
  const double seconds = std::strtod(copy.c_str(), &end);
  if (copy.empty() || *end != '\0' || !(seconds >= 0 && seconds <= kMaxHoldSeconds)) return false;
  ms = std::llround(seconds * 1000);
  return true;
}

bool read_zone(std::string_view text, Integer& layer, Integer& zone) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  const auto number = [](std::string_view digits, Integer& out) {
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
    return !digits.empty() && ec == std::errc() && end == digits.data() + digits.size();
  };
  return number(text.substr(0, colon), layer) && number(text.substr(colon + 1), zone) &&
         is_zone_slot(layer, zone);
}

}  // namespace

bool ZoneHold::parse(std::string_view text, std::string* error) {
  ZoneHold read = *this;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) comma = text.size();
    const std::string_view item = text.substr(start, comma - start);
    const auto equals = item.find('=');
    std::int64_t ms = 0;
    Integer layer = 0, zone = 0;
    const bool ok = equals == std::string_view::npos
                        ? read_seconds(item, read.default_ms_)
                        : read_zone(item.substr(0, equals), layer, zone) &&
                              read_seconds(item.substr(equals + 1), ms);
    if (!ok) {
      // Appended piece by piece: GCC 12 warns wrongly about a chain of + here.
      error->assign(1, '"');
      error->append(item);
      error->append(
          "\" is not SECONDS or LAYER:ZONE=SECONDS (layers and zones 1 to 64, seconds 0 "
          "to 86400)");
      return false;
    }
    if (equals != std::string_view::npos) read.holds_[{layer, zone}] = ms;
    start = comma + 1;
  }
  *this = std::move(read);
  return true;
}

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
