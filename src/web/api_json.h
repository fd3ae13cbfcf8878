// The JSON of the browser host's API: camera state, events and errors out; property writes, zone
// edits, points and layers in. Only api_json.cpp sees the JSON library. Readers throw ApiError
// (400) with a message that names the faulty member.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "zentrik/web/CameraView.h"
#include "zentrik/web/HttpMessage.h"

namespace zentrik::api_json {

std::string camera(const CameraView& view);
std::string cameras(const std::vector<CameraView>& views);
std::string error(const std::string& message);
std::string about(const std::string& title, const std::vector<std::string>& lines);
std::string snapshots(const std::vector<SnapshotView>& files);
std::string snapshot_taken(const std::string& name);
std::string pixel(const std::string& text, long color);

// Event data (the `data:` of a Server-Sent Event).
std::string zone_event(const ZoneEventView& event);
// An event snapshot written to the camera's folder: {"camera":..,"name":..}.
std::string snapshot_event(const std::string& camera, const std::string& name);
std::string outlines_event(const std::string& camera, const std::vector<OutlineView>& outlines);
std::string message_event(const std::string& camera, const MessageView& message);
std::string camera_event(const CameraView& view);  // the camera's state without its zones

PropertyWrite read_property_write(std::string_view body);
ZoneEdit read_zone_edit(std::string_view body);
std::pair<int, int> read_point(std::string_view body);  // {x, y}
int read_layer(std::string_view body);                  // {layer}, 1 to 64

// "#rrggbb" of a 0x00BBGGRR colour.
std::string css_colour(long color);

}  // namespace zentrik::api_json
