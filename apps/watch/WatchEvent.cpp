#include "watch/WatchEvent.h"

#include <cstdio>

namespace zentrik::cli {

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
