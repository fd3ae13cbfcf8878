// The first evaluated frame compares against the black picture the samples start from, so every
// zone fires there and clears on the next frame. Hosts mark those transitions, and their reversal
// on the next frame, as warm-up: reported as such, never as detections, and no snapshot.
#pragma once

#include <cstdint>
#include <map>

#include "zentrik/events/ZoneNames.h"

namespace zentrik {

class WarmUp {
 public:
  // Between frames: `layer` is the control's layer, `frames` the frames delivered so far. The
  // first frame delivered while the layer is 1 or more is the first evaluated frame.
  void observe(Integer layer, std::int64_t frames);
  // True when the transition of (layer, zone) to `status` on frame `frame` is warm-up.
  bool classify(Integer layer, Integer zone, bool status, std::int64_t frame);
  // True once frames after the warm-up have been delivered (`frames` delivered so far).
  bool over(std::int64_t frames) const { return first_ > 0 && frames > first_; }

 private:
  std::int64_t first_ = 0;                // number of the first evaluated frame; 0 while unknown
  std::map<ZoneKey, bool> first_states_;  // the states the first frame left
};

}  // namespace zentrik
