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

}  // namespace zentrik
