// What the browser host tells about a camera and its events, as plain values that the loop
// thread fills and the JSON writer turns into text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zentrik {

struct ZoneView {
  int layer = 0;
  int zone = 0;
  bool color_kind = false;  // "color" or "motion"
  int left = 0, top = 0, width = 0, height = 0;
  int percentage = 0;
  long color = 0;    // 0x00BBGGRR, colour zones only
  std::string name;  // the configured name; empty when it has none
};

// One of the control's zone outlines, in pixels of the preview.
struct OutlineView {
  int zone = 0;
  int left = 0, top = 0, width = 0, height = 0;
  bool visible = false;
  long color = 0;  // 0x00BBGGRR as the control gives it
};

struct MessageView {
  std::string title;
  std::string text;
};

struct CameraView {
  std::string id;
  std::string name;
  std::string source;
  bool running = false;
  std::string source_state;  // running | retrying | failed | ended
  std::string source_message;
  std::string fps_caption;
  std::string status_caption;
  std::string version_caption;
  int layer = 0;
  long colordepth = 0;
  bool active = false;
  bool debugpreview = false;
  std::int64_t frame = 0;
  std::vector<ZoneView> zones;
  std::vector<OutlineView> outlines;
  std::optional<std::vector<MessageView>> messages;  // the boxes a write raised
};

struct ZoneEventView {
  std::string camera;
  int layer = 0;
  int zone = 0;
  bool color_kind = false;
  bool status = false;
  int percentage = 0;
  long color = 0;
  std::int64_t frame = 0;
  std::int64_t unix_ms = 0;
  std::string name;     // the zone's configured name; empty when it has none
  bool warmup = false;  // a transition of the first evaluated frame or its reversal
};

struct SnapshotView {
  std::string name;
  std::uintmax_t size = 0;
  std::int64_t unix_ms = 0;  // last written
};

// A property write from the page; only the members given are written, in this order.
struct PropertyWrite {
  std::optional<long> layer;
  std::optional<long> colordepth;
  std::optional<bool> debugpreview;
  std::optional<bool> active;
};

struct ZoneEdit {
  int layer = 0;
  int zone = 0;
  bool color_kind = false;
  int left = 0, top = 0, width = 0, height = 0;
  int percentage = 0;
  long color = 0;
};

}  // namespace zentrik
