// What `zentrik watch` should report for a set of zones over pictures the test knows point by
// point: the zones' sample windows on the every-fourth-pixel grid, colour zones before motion
// zones in each frame, events only when a zone number's shared state flips.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "apps/reported_event.h"

namespace zentrik::testing {

struct ZoneSpec {
  enum class Kind { Motion, Colour };
  Kind kind = Kind::Motion;
  int layer = 1;
  int number = 1;
  int left = 0, top = 0, width = 0, height = 0;
  std::uint32_t colour = 0;  // 0x00BBGGRR, colour zones
  int percentage = 0;

  // The script line that adds the zone.
  std::string script_line() const;
};

// The value a picture shows at a grid point of frame n (delivery count from 1). Values that
// stand for colours are 0x00BBGGRR; anything else must lie above 0xFFFFFFFF. Black is 0.
using PointValue = std::function<std::uint64_t(std::int64_t frame, int x, int y)>;

// Grid points of a zone rectangle: the columns and rows of its sample window.
struct GridWindow {
  std::vector<int> columns;
  std::vector<int> rows;
  std::size_t size() const { return columns.size() * rows.size(); }
};
GridWindow sample_window(int left, int top, int width, int height);

// The events of frames 1..frames with `layer` active, the previous samples black before frame 1.
std::vector<ReportedEvent> expected_events(const std::vector<ZoneSpec>& zones, int layer,
                                           const PointValue& picture, std::int64_t frames);

}  // namespace zentrik::testing
