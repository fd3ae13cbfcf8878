// The API's JSON through nlohmann-json: writers of the views and strict readers of the bodies.
#include "api_json.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <set>

namespace zentrik::api_json {
namespace {

using nlohmann::json;

constexpr int kMinLayer = 1;
constexpr int kMaxLayer = 64;
constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr long kMaxColour = 0xFFFFFF;
constexpr long kIntegerMin = -32768;  // the control's 16-bit Integer
constexpr long kIntegerMax = 32767;

// Text of a value; bytes that are not UTF-8 (a file name, a source) are replaced, never thrown.
std::string dump_text(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

[[noreturn]] void bad(const std::string& message) {
  throw ApiError(400, message);
}

json parse_object(std::string_view body) {
  json value = json::parse(body, nullptr, false);
  if (value.is_discarded()) bad("the body is not valid JSON");
  if (!value.is_object()) bad("the body must be a JSON object");
  return value;
}

void only_keys(const json& object, const std::set<std::string>& allowed) {
  for (const auto& item : object.items()) {
    if (!allowed.count(item.key())) bad("unknown member '" + item.key() + "'");
  }
}

long whole_number(const json& object, const std::string& key, long low, long high) {
  auto it = object.find(key);
  if (it == object.end()) bad("'" + key + "' is missing");
  if (!it->is_number_integer()) bad("'" + key + "' must be a whole number");
  const long long value = it->get<long long>();
  if (value < low || value > high) {
    bad("'" + key + "' must be between " + std::to_string(low) + " and " + std::to_string(high));
  }
  return static_cast<long>(value);
}

bool boolean(const json& value, const std::string& key) {
  if (!value.is_boolean()) bad("'" + key + "' must be true or false");
  return value.get<bool>();
}

json zone_json(const ZoneView& z) {
  json out = {{"layer", z.layer},
              {"zone", z.zone},
              {"kind", z.color_kind ? "color" : "motion"},
              {"left", z.left},
              {"top", z.top},
              {"width", z.width},
              {"height", z.height},
              {"percentage", z.percentage}};
  if (z.color_kind) out["color"] = z.color;
  if (!z.name.empty()) out["name"] = z.name;
  return out;
}

json outline_json(const OutlineView& o) {
  return {{"zone", o.zone},     {"left", o.left},
          {"top", o.top},       {"width", o.width},
          {"height", o.height}, {"visible", o.visible},
          {"color", o.color},   {"css", css_colour(o.color)}};
}

json outlines_json(const std::vector<OutlineView>& outlines) {
  json list = json::array();
  for (const OutlineView& o : outlines) list.push_back(outline_json(o));
  return list;
}

json state_json(const CameraView& v) {
  return {{"id", v.id},
          {"camera", v.id},
          {"name", v.name},
          {"source", v.source},
          {"running", v.running},
          {"source_state", v.source_state},
          {"source_message", v.source_message},
          {"fps_caption", v.fps_caption},
          {"status_caption", v.status_caption},
          {"version_caption", v.version_caption},
          {"layer", v.layer},
          {"colordepth", v.colordepth},
          {"active", v.active},
          {"debugpreview", v.debugpreview},
          {"frame", v.frame}};
}

json camera_json(const CameraView& v) {
  json out = state_json(v);
  out.erase("camera");
  json zones = json::array();
  for (const ZoneView& z : v.zones) zones.push_back(zone_json(z));
  out["zones"] = std::move(zones);
  out["outlines"] = outlines_json(v.outlines);
  if (v.messages) {
    json messages = json::array();
    for (const MessageView& m : *v.messages)
      messages.push_back({{"title", m.title}, {"text", m.text}});
    out["messages"] = std::move(messages);
  }
  return out;
}

}  // namespace

std::string css_colour(long color) {
  char text[8];
  const unsigned long c = static_cast<unsigned long>(color);
  std::snprintf(text, sizeof text, "#%02lx%02lx%02lx", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return text;
}

std::string camera(const CameraView& view) {
  return dump_text(camera_json(view));
}

std::string cameras(const std::vector<CameraView>& views) {
  json list = json::array();
  for (const CameraView& v : views) list.push_back(camera_json(v));
  return dump_text(list);
}

std::string error(const std::string& message) {
  return dump_text(json{{"error", message}});
}

std::string about(const std::string& title, const std::vector<std::string>& lines) {
  return dump_text(json{{"title", title}, {"lines", lines}});
}

std::string snapshots(const std::vector<SnapshotView>& files) {
  json list = json::array();
  for (const SnapshotView& f : files) {
    list.push_back({{"name", f.name}, {"size", f.size}, {"time", f.unix_ms}});
  }
  return dump_text(list);
}

std::string snapshot_taken(const std::string& name) {
  return dump_text(json{{"name", name}});
}

std::string pixel(const std::string& text, long color) {
  return dump_text(json{{"text", text}, {"color", color}});
}

std::string zone_event(const ZoneEventView& e) {
  json out = {{"camera", e.camera}, {"layer", e.layer},
              {"zone", e.zone},     {"kind", e.color_kind ? "color" : "motion"},
              {"status", e.status}, {"percentage", e.percentage},
              {"frame", e.frame},   {"time", e.unix_ms}};
  if (e.color_kind) out["color"] = e.color;
  if (!e.name.empty()) out["name"] = e.name;
  if (e.warmup) out["warmup"] = true;
  return dump_text(out);
}

std::string snapshot_event(const std::string& camera, const std::string& name) {
  return dump_text(json{{"camera", camera}, {"name", name}});
}

std::string outlines_event(const std::string& camera, const std::vector<OutlineView>& outlines) {
  return dump_text(json{{"camera", camera}, {"outlines", outlines_json(outlines)}});
}

std::string message_event(const std::string& camera, const MessageView& message) {
  return dump_text(json{{"camera", camera}, {"title", message.title}, {"text", message.text}});
}

std::string camera_event(const CameraView& view) {
  return dump_text(state_json(view));
}

PropertyWrite read_property_write(std::string_view body) {
  const json object = parse_object(body);
  only_keys(object, {"layer", "colordepth", "debugpreview", "active"});
  if (object.empty()) bad("no property given (layer, colordepth, debugpreview, active)");
  PropertyWrite write;
  if (object.contains("layer"))
    write.layer = whole_number(object, "layer", kIntegerMin, kIntegerMax);
  if (object.contains("colordepth")) {
    const json& depth = object["colordepth"];
    if (depth.is_string()) {
      const std::string name = depth.get<std::string>();
      if (name == "low")
        write.colordepth = 16;
      else if (name == "medium")
        write.colordepth = 256;
      else if (name == "high")
        write.colordepth = 65535;
      else
        bad("'colordepth' must be low, medium, high or a number");
    } else {
      write.colordepth = whole_number(object, "colordepth", -2147483647L - 1, 2147483647L);
    }
  }
  if (object.contains("debugpreview"))
    write.debugpreview = boolean(object["debugpreview"], "debugpreview");
  if (object.contains("active")) write.active = boolean(object["active"], "active");
  return write;
}

ZoneEdit read_zone_edit(std::string_view body) {
  const json object = parse_object(body);
  only_keys(object,
            {"layer", "zone", "kind", "left", "top", "width", "height", "percentage", "color"});
  ZoneEdit edit;
  edit.layer = static_cast<int>(whole_number(object, "layer", kMinLayer, kMaxLayer));
  edit.zone = static_cast<int>(whole_number(object, "zone", 1, 64));
  auto kind = object.find("kind");
  if (kind == object.end() || !kind->is_string() || (*kind != "motion" && *kind != "color")) {
    bad("'kind' must be \"motion\" or \"color\"");
  }
  edit.color_kind = *kind == "color";
  edit.left = static_cast<int>(whole_number(object, "left", 0, kFrameWidth - 1));
  edit.top = static_cast<int>(whole_number(object, "top", 0, kFrameHeight - 1));
  edit.width = static_cast<int>(whole_number(object, "width", 1, kFrameWidth - edit.left));
  edit.height = static_cast<int>(whole_number(object, "height", 1, kFrameHeight - edit.top));
  edit.percentage = static_cast<int>(whole_number(object, "percentage", 1, 100));
  if (edit.color_kind) {
    edit.color = whole_number(object, "color", 0, kMaxColour);
  } else if (object.contains("color")) {
    bad("'color' is for colour zones only");
  }
  return edit;
}

std::pair<int, int> read_point(std::string_view body) {
  const json object = parse_object(body);
  only_keys(object, {"x", "y"});
  return {static_cast<int>(whole_number(object, "x", 0, kFrameWidth - 1)),
          static_cast<int>(whole_number(object, "y", 0, kFrameHeight - 1))};
}

int read_layer(std::string_view body) {
  const json object = parse_object(body);
  only_keys(object, {"layer"});
  return static_cast<int>(whole_number(object, "layer", kMinLayer, kMaxLayer));
}

}  // namespace zentrik::api_json
