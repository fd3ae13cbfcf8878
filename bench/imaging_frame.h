// The frame the imaging benchmarks work on: 320 x 240, smooth gradients with a little noise, as a
// camera delivers it, painted into a buffer through its byte view.
#pragma once

#include "zentrik/imaging/cDIBSection.h"

namespace zentrik::bench {

// Creates `dib` at 320 x 240 and paints the frame; false when the buffer cannot be made.
bool make_camera_frame(cDIBSection& dib);

}  // namespace zentrik::bench
