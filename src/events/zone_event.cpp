#include "zentrik/events/ZoneEvent.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "zentrik/control/OrvexTypeLibrary.h"

namespace zentrik {

ZoneEvent read_control_event(DispId id, std::span<Variant> args) {
  ZoneEvent e;
  e.color = id == OrvexTypeLibrary::kColorEvent;
  e.layer = args[0].to_integer();
  e.zone = args[1].to_integer();
  e.status = args[2].to_boolean_value() != 0;
  if (e.color) {
    e.color_value = args[3].to_long();
    e.percentage = args[4].to_integer();
  } else {
    e.percentage = args[3].to_integer();
  }
  return e;
}

std::string zone_event_json(const ZoneEvent& e) {
  nlohmann::ordered_json j;
  j["camera"] = e.camera;
  j["layer"] = e.layer;
  j["zone"] = e.zone;
  if (!e.name.empty()) j["name"] = e.name;
  j["kind"] = e.kind();
  j["status"] = e.status;
  j["percentage"] = e.percentage;
  if (e.color) j["color"] = e.color_value;
  j["frame"] = e.frame;
  j["time"] = format_utc(e.unix_ms);
  j["warmup"] = e.warmup;
  return j.dump();
}

std::string format_utc(std::int64_t unix_ms) {
  std::time_t seconds = static_cast<std::time_t>(unix_ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(unix_ms % 1000));
  return text;
}

std::int64_t unix_ms_now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace zentrik
