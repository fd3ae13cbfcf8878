// The colour depths a host can ask of the preview, as the `colordepth` property carries them.
// Values are 32-bit; the control stores any value it is given, not only these three.
#pragma once

#include "zentrik/platform/automation.h"

namespace zentrik {

enum class e_colordepth : Long {
  low = 16,      // the standard 16-colour palette
  medium = 256,  // the half-tone 256-colour palette
  high = 65535,  // the frame unreduced
};

// The names of the three depths, as scripts and command lines spell them.
struct ColorDepthName {
  const char* name;
  e_colordepth depth;
};
inline constexpr ColorDepthName kColorDepthNames[] = {
    {"low", e_colordepth::low}, {"medium", e_colordepth::medium}, {"high", e_colordepth::high}};

}  // namespace zentrik
