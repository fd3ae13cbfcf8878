// A zone event as hosts report it (watch output, MQTT, the browser host): the control's `motion`
// or `color` event with its camera, zone name, frame, time and whether it is warm-up.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "zentrik/platform/automation.h"
#include "zentrik/platform/dispatch.h"
#include "zentrik/platform/variant.h"

namespace zentrik {

struct ZoneEvent {
  std::string camera;
  Integer layer = 0;
  Integer zone = 0;
  std::string name;    // the zone's configured name; empty when it has none
  bool color = false;  // a `color` event; else `motion`
  bool status = false;
  Integer percentage = 0;
  Long color_value = 0;  // colour events only: the zone's colour, 0x00BBGGRR
  std::int64_t frame = 0;
  std::int64_t unix_ms = 0;  // UTC, milliseconds
  bool warmup = false;       // a transition of the first evaluated frame or its reversal

  const char* kind() const { return color ? "color" : "motion"; }
};

// Reads the arguments of the control's `motion` (id 1) or `color` (id 2) event.
ZoneEvent read_control_event(DispId id, std::span<Variant> args);

// {"camera":..,"layer":..,"zone":..,"name":..,"kind":..,"status":..,"percentage":..,
//  "color":..,"frame":..,"time":"2026-12-08T10:00:00.123Z","warmup":..}; name only when set,
// color only for colour events.
std::string zone_event_json(const ZoneEvent& event);

// ISO 8601 UTC time with milliseconds.
std::string format_utc(std::int64_t unix_ms);
std::int64_t unix_ms_now();

}  // namespace zentrik
