// One event of the control as the watch command reports it, and its two printed forms: a
// readable line, or a JSON line with a timestamp and the frame number.
#pragma once

#include <cstdint>
#include <string>

#include "zentrik/events/ZoneEvent.h"  // format_utc, unix_ms_now
#include "zentrik/platform/automation.h"

namespace zentrik::cli {

struct WatchEvent {
  std::string kind;  // "motion" or "color"
  Integer layer = 0;
  Integer zone = 0;
  bool status = false;
  Integer percentage = 0;
  Long color = 0;  // color events only
  std::int64_t frame = 0;
  std::int64_t unix_ms = 0;  // wall-clock time of the event
  std::string snapshot;      // the snapshot written for it, if any
  std::string name;          // the zone's name (--zone-name); empty when it has none
  bool warmup = false;       // a transition of the first evaluated frame or its reversal
};

// "2026-12-07T22:30:00.123Z  frame 123  motion  layer 1 zone 4  ON   25%" (color events add
// "color &H0000FF", named zones "name door", warm-up transitions "warm-up").
std::string format_text(const WatchEvent& event);
// {"time":"2026-12-07T22:30:00.123Z","frame":123,"event":"motion","layer":1,...}
std::string format_json(const WatchEvent& event);

}  // namespace zentrik::cli
