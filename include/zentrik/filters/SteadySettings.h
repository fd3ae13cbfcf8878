// Settings of the steady filter, which takes sensor noise, lone flickering points and changes of
// the whole picture's light out of a camera's frames before the control compares them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zentrik {

struct SteadySettings {
  // A pixel is passed on anew only when one of its channels moves further than this from the
  // colour last passed on (0..255; 0 passes every change).
  int tolerance = 24;
  // ... and when at least this many of its 8 neighbours moved too (0..8; 0 keeps lone points).
  int neighbours = 2;
  // A change of the whole picture's light up to this many levels per channel is absorbed as one
  // offset and raises nothing; a bigger one is passed on in one frame (0..255).
  int light = 64;

  friend bool operator==(const SteadySettings&, const SteadySettings&) = default;
};

// Reads "", "on" (the defaults) or comma-separated NAME=VALUE pairs, such as
// "tolerance=20,neighbours=3,light=48", over the defaults. Nothing, with `error` set, when a name
// is unknown or a value is not a whole number in its range.
std::optional<SteadySettings> parse_steady_settings(std::string_view text, std::string& error);

// The settings as parse_steady_settings() reads them back: "tolerance=24,neighbours=2,light=64".
std::string format_steady_settings(const SteadySettings& settings);

}  // namespace zentrik
