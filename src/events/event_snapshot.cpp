#include "zentrik/events/EventSnapshot.h"

#include <algorithm>
#include <cstring>

#include "zentrik/control/ZoneTable.h"
#include "zentrik/imaging/JpegBytes.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik {
namespace {

constexpr std::uint8_t kRectangleBgr[3] = {0, 0, 255};  // red

// The control's grabbed frame, top-down.
bool control_frame(orvex& control, FullFrame& out) {
  const PicturePtr picture = control.picture(vbTrue);
  if (!picture) return false;
  cDIBSection dib;
  dib.CreateFromPicture(*picture);
  if (dib.Width() < 1 || dib.Height() < 1 || !dib.DIBSectionBitsPtr()) return false;
  out.width = dib.Width();
  out.height = dib.Height();
  const std::size_t row = static_cast<std::size_t>(out.width) * 3;
  out.pixels.resize(row * static_cast<std::size_t>(out.height));
  for (int y = 0; y < out.height; ++y) {  // the DIB's rows lie bottom-up
    const std::uint8_t* from =
        dib.DIBSectionBitsPtr() + static_cast<std::size_t>(out.height - 1 - y) *
                                      static_cast<std::size_t>(dib.BytesPerScanLine());
    std::memcpy(out.pixels.data() + row * static_cast<std::size_t>(y), from, row);
  }
  return true;
}

void fill(FullFrame& f, int x0, int y0, int x1, int y1) {
  x0 = std::clamp(x0, 0, f.width);
  x1 = std::clamp(x1, 0, f.width);
  y0 = std::clamp(y0, 0, f.height);
  y1 = std::clamp(y1, 0, f.height);
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* p = f.pixels.data() + (static_cast<std::size_t>(y) * f.width + x0) * 3;
    for (int x = x0; x < x1; ++x, p += 3) std::memcpy(p, kRectangleBgr, 3);
  }
}

// The zone's rectangle scaled from 320 x 240 to the picture, with a border about one 320th of
// the picture's width thick (at least 2 pixels).
void draw(FullFrame& f, const ZoneRect& r) {
  const auto sx = [&](Long v) { return static_cast<int>(std::int64_t{v} * f.width / kFrameWidth); };
  const auto sy = [&](Long v) {
    return static_cast<int>(std::int64_t{v} * f.height / kFrameHeight);
  };
  const int t = std::max(2, f.width / static_cast<int>(kFrameWidth));
  const int x0 = sx(r.left), y0 = sy(r.top), x1 = sx(r.left + r.width), y1 = sy(r.top + r.height);
  fill(f, x0, y0, x1, y0 + t);
  fill(f, x0, y1 - t, x1, y1);
  fill(f, x0, y0, x0 + t, y1);
  fill(f, x1 - t, y0, x1, y1);
}

}  // namespace

std::optional<ZoneRect> zone_rect(const orvex& control, Integer layer, Integer zone) {
  if (!is_zone_slot(layer, zone)) return std::nullopt;
  const OrvexState& s = control.state();
  if (s.color_percentage(layer, zone) > 0) {
    return ZoneRect{s.color_left(layer, zone), s.color_top(layer, zone), s.color_width(layer, zone),
                    s.color_height(layer, zone)};
  }
  if (s.motion_percentage(layer, zone) > 0) {
    return ZoneRect{s.motion_left(layer, zone), s.motion_top(layer, zone),
                    s.motion_width(layer, zone), s.motion_height(layer, zone)};
  }
  return std::nullopt;
}

FullFrame event_snapshot_picture(orvex& control, const std::optional<ZoneRect>& zone) {
  FullFrame frame;
  if (!control.video().latest_full_frame(frame) && !control_frame(control, frame)) return {};
  if (zone) draw(frame, *zone);
  return frame;
}

std::vector<std::uint8_t> event_snapshot_jpeg(orvex& control, const std::optional<ZoneRect>& zone,
                                              int quality) {
  const FullFrame frame = event_snapshot_picture(control, zone);
  if (frame.pixels.empty()) return {};
  return encode_jpeg_bytes({frame.pixels.data(), frame.width * 3, frame.width, frame.height},
                           quality);
}

}  // namespace zentrik
