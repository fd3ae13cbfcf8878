#include "zentrik/events/ZoneNames.h"

#include <charconv>
#include <cstdio>

#include "zentrik/control/ZoneTable.h"

namespace zentrik {
namespace {

bool read_number(std::string_view text, Integer& value) {
  int n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = static_cast<Integer>(n);
  return n >= -32768 && n <= 32767;
}

}  // namespace

bool is_topic_word(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

bool ZoneNames::set(Integer layer, Integer zone, std::string name, std::string* error) {
  if (!is_zone_slot(layer, zone)) {
    *error = "zone " + std::to_string(layer) + ":" + std::to_string(zone) +
             " is not a zone (layers and zones are 1 to 64)";
    return false;
  }
  if (!is_topic_word(name)) {
    *error = "zone name \"" + name + "\" must be 1 to 64 letters, digits, '_' or '-'";
    return false;
  }
  for (const auto& [key, other] : names_) {
    if (other == name && key != ZoneKey{layer, zone}) {
      *error = "zone name \"" + name + "\" is already used by zone " + std::to_string(key.first) +
               ":" + std::to_string(key.second);
      return false;
    }
  }
  names_[{layer, zone}] = std::move(name);
  return true;
}

bool ZoneNames::parse(std::string_view text, std::string* error) {
  const auto colon = text.find(':');
  const auto equals = text.find('=');
  Integer layer = 0;
  Integer zone = 0;
  if (colon == std::string_view::npos || equals == std::string_view::npos || equals < colon ||
      !read_number(text.substr(0, colon), layer) ||
      !read_number(text.substr(colon + 1, equals - colon - 1), zone)) {
    *error = "zone name \"" + std::string(text) + "\" is not LAYER:ZONE=NAME";
    return false;
  }
  return set(layer, zone, std::string(text.substr(equals + 1)), error);
}

const std::string& ZoneNames::name(Integer layer, Integer zone) const {
  static const std::string kNone;
  auto it = names_.find({layer, zone});
  return it == names_.end() ? kNone : it->second;
}

std::string ZoneNames::id(Integer layer, Integer zone) const {
  const std::string& n = name(layer, zone);
  if (!n.empty()) return n;
  char text[24];
  std::snprintf(text, sizeof text, "L%d-Z%d", layer, zone);
  return text;
}

}  // namespace zentrik
