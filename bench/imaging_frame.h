// The frame the imaging benchmarks work on: 320 x 240, smooth gradients with a little noise, as a
// camera delivers it, painted into a buffer through its byte view.
#pragma once

#include <benchmark/benchmark.h>

#include "zentrik/imaging/cDIBSection.h"

namespace zentrik::bench {

// Creates `dib` at 320 x 240 and paints the frame; false when the buffer cannot be made.
bool make_camera_frame(cDIBSection& dib);

// make_camera_frame for a benchmark: marks `state` skipped with an error when it fails.
inline bool make_camera_frame(benchmark::State& state, cDIBSection& dib) {
  if (make_camera_frame(dib)) return true;
  state.SkipWithError("no buffer");
  return false;
}

}  // namespace zentrik::bench
