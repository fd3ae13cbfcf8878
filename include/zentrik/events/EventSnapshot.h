// Event snapshots for hosts: the source's latest frame at its full resolution (the control's own
// 320 x 240 frame when the source keeps none), optionally with the zone's rectangle drawn on it,
// as JPEG bytes. The control's own snapshots are untouched.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "zentrik/control/orvex.h"

namespace zentrik {

struct ZoneRect {  // pixels of the 320 x 240 frame
  Long left = 0;
  Long top = 0;
  Long width = 0;
  Long height = 0;
};

// The rectangle of zone (layer, zone): its colour zone's when it holds one (as the outlines
// show it), else its motion zone's; nothing for an empty slot.
std::optional<ZoneRect> zone_rect(const orvex& control, Integer layer, Integer zone);

// JPEG quality of event snapshots, the control's own snapshot quality.
constexpr int kEventSnapshotQuality = static_cast<int>(orvex::kSnapshotQuality);

// JPEG bytes of the snapshot; empty when there is no picture yet.
std::vector<std::uint8_t> event_snapshot_jpeg(orvex& control, const std::optional<ZoneRect>& zone,
                                              int quality = kEventSnapshotQuality);

// The picture itself (rectangle drawn), for tests and hosts that keep pixels.
FullFrame event_snapshot_picture(orvex& control, const std::optional<ZoneRect>& zone);

}  // namespace zentrik
