#include "watch/WatchEvent.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace zentrik::cli {

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

std::string format_text(const WatchEvent& e) {
  char text[160];
  int n = std::snprintf(text, sizeof text, "%s  frame %lld  %-6s  layer %d zone %d  %-3s %3d%%",
                        format_utc(e.unix_ms).c_str(), static_cast<long long>(e.frame),
                        e.kind.c_str(), e.layer, e.zone, e.status ? "ON" : "off", e.percentage);
  if (e.kind == "color" && n > 0 && n < static_cast<int>(sizeof text)) {
    std::snprintf(text + n, sizeof text - n, "  color &H%06X", static_cast<unsigned>(e.color));
  }
  std::string line(text);
  if (!e.name.empty()) line += "  name " + e.name;
  if (e.warmup) line += "  warm-up";
  return line;
}

std::string format_json(const WatchEvent& e) {
  char text[240];
  int n = std::snprintf(text, sizeof text,
                        "{\"time\":\"%s\",\"frame\":%lld,\"event\":\"%s\",\"layer\":%d,"
                        "\"zone\":%d,\"status\":%s,\"percentage\":%d",
                        format_utc(e.unix_ms).c_str(), static_cast<long long>(e.frame),
                        e.kind.c_str(), e.layer, e.zone, e.status ? "true" : "false", e.percentage);
  if (e.kind == "color" && n > 0 && n < static_cast<int>(sizeof text)) {
    n += std::snprintf(text + n, sizeof text - n, ",\"color\":%d", e.color);
  }
  std::string line(text);
  if (!e.name.empty()) line += ",\"name\":\"" + e.name + "\"";  // names are [A-Za-z0-9_-]
  if (e.warmup) line += ",\"warmup\":true";
  line += "}";
  return line;
}

}  // namespace zentrik::cli
