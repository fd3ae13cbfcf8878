#include "apps/zone_oracle.h"

#include <algorithm>
#include <map>

namespace zentrik::testing {
namespace {

constexpr int kLastColumn = 317;  // the grid: x = 1, 5, ..., 317 and y = 1, 5, ..., 217
constexpr int kLastRow = 217;

// The smallest grid coordinate (one more than a multiple of 4) at or after v.
int up_to_grid(int v) {
  while ((v - 1) % 4 != 0) ++v;
  return v;
}

// Grid coordinates of one side: first is left + 1, last is left + size - 1, both clamped to
// 5..limit and moved up onto the grid, the last moved back when that overshoots the rectangle.
std::vector<int> grid_span(int start, int size, int limit) {
  const int first_pixel = start + 1;
  const int last_pixel = start + size - 1;
  const int first = up_to_grid(std::clamp(first_pixel, 5, limit));
  int last = up_to_grid(std::clamp(last_pixel, 5, limit));
  if (last > last_pixel) last -= 4;
  std::vector<int> span;
  for (int v = first; v <= last; v += 4) span.push_back(v);
  return span;
}

}  // namespace

std::string ZoneSpec::script_line() const {
  const std::string common = std::to_string(layer) + ", " + std::to_string(number) + ", " +
                             std::to_string(left) + ", " + std::to_string(top) + ", " +
                             std::to_string(width) + ", " + std::to_string(height) + ", ";
  if (kind == Kind::Motion) {
    return "add_motion_detection " + common + std::to_string(percentage);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "&H%06X", static_cast<unsigned>(colour));
  return "add_color_detection " + common + hex + ", " + std::to_string(percentage);
}

GridWindow sample_window(int left, int top, int width, int height) {
  return {grid_span(left, width, kLastColumn), grid_span(top, height, kLastRow)};
}

std::vector<ReportedEvent> expected_events(const std::vector<ZoneSpec>& zones, int layer,
                                           const PointValue& picture, std::int64_t frames) {
  // Sample tables over the grid, (x, y) at ((x - 1) / 4) * rows + (y - 1) / 4; black at first.
  constexpr std::size_t kRows = (kLastRow - 1) / 4 + 1;
  constexpr std::size_t kColumns = (kLastColumn - 1) / 4 + 1;
  auto at = [](int x, int y) {
    return static_cast<std::size_t>((x - 1) / 4) * kRows + static_cast<std::size_t>((y - 1) / 4);
  };
  std::vector<std::uint64_t> previous(kRows * kColumns, 0), current(kRows * kColumns, 0);
  std::map<int, bool> state;  // zone number -> detected
  std::vector<ReportedEvent> events;
  auto pass = [&](const ZoneSpec& z, std::int64_t frame) {
    const GridWindow w = sample_window(z.left, z.top, z.width, z.height);
    if (w.size() == 0) return;
    std::size_t hits = 0;
    for (int x : w.columns) {
      for (int y : w.rows) {
        const std::size_t key = at(x, y);
        hits += z.kind == ZoneSpec::Kind::Colour ? current[key] == z.colour
                                                 : previous[key] != current[key];
      }
    }
    const bool detected = static_cast<std::size_t>(z.percentage) * w.size() <= 100 * hits;
    bool& on = state[z.number];
    if (detected == on) return;
    on = detected;
    ReportedEvent e;
    e.frame = frame;
    e.kind = z.kind == ZoneSpec::Kind::Colour ? "color" : "motion";
    e.layer = layer;
    e.zone = z.number;
    e.status = detected;
    e.percentage = static_cast<int>(100 * hits / w.size());
    if (z.kind == ZoneSpec::Kind::Colour) e.color = z.colour;
    events.push_back(e);
  };

  std::vector<const ZoneSpec*> colour_zones, motion_zones;
  for (const ZoneSpec& z : zones) {
    if (z.layer != layer || z.percentage <= 0) continue;
    (z.kind == ZoneSpec::Kind::Colour ? colour_zones : motion_zones).push_back(&z);
  }
  auto by_number = [](const ZoneSpec* a, const ZoneSpec* b) { return a->number < b->number; };
  std::stable_sort(colour_zones.begin(), colour_zones.end(), by_number);
  std::stable_sort(motion_zones.begin(), motion_zones.end(), by_number);

  for (std::int64_t frame = 1; frame <= frames; ++frame) {
    for (int x = 1; x <= kLastColumn; x += 4) {
      for (int y = 1; y <= kLastRow; y += 4) {
        const std::size_t key = at(x, y);
        previous[key] = current[key];
        current[key] = picture(frame, x, y);
      }
    }
    for (const ZoneSpec* z : colour_zones) pass(*z, frame);
    for (const ZoneSpec* z : motion_zones) pass(*z, frame);
  }
  return events;
}

}  // namespace zentrik::testing
