// The steady filter's per-frame work on 320 x 240 blue-green-red frames: what it holds (the
// picture last passed on) and how a new frame is folded into it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/filters/SteadySettings.h"

namespace zentrik {

class SteadyFilter {
 public:
  explicit SteadyFilter(SteadySettings settings);

  // Replaces `frame`'s pixels by the steadied picture. The first frame after construction or
  // reset() passes unchanged and becomes the picture held.
  void apply(Frame& frame);
  void reset() { primed_ = false; }

  const SteadySettings& settings() const { return settings_; }
  // The light offset per channel (blue, green, red) the last frame showed against the picture
  // held: the median of the differences.
  const std::array<int, 3>& light_offset() const { return offset_; }

 private:
  void measure_light(const std::uint8_t* in);
  void mark_changes(const std::uint8_t* in);
  void pass_changes(const std::uint8_t* in);

  SteadySettings settings_;
  bool primed_ = false;
  std::vector<std::uint8_t> held_;  // the picture last passed on, in frame layout
  // One byte per pixel with a border of one on every side: 1 where the pixel moved beyond the
  // tolerance.
  std::vector<std::uint8_t> moved_;
  std::array<int, 3> offset_{};
};

}  // namespace zentrik
