// The millisecond clock of the imaging classes' timings.
#pragma once

#include "zentrik/platform/automation.h"

namespace zentrik {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the platform's counter.
Long timeGetTime();

}  // namespace zentrik
