// The colours sampled from the preview at the grid points x = 1, 5, ..., 317 and
// y = 1, 5, ..., 217 of the 320 x 240 frame; every other point of the table reads 0.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>

#include "zentrik/platform/automation.h"

namespace zentrik {

inline constexpr Long kSampleStep = 4;
inline constexpr Long kFirstSampleColumn = 1;
inline constexpr Long kLastSampleColumn = 317;
inline constexpr Long kFirstSampleRow = 1;
inline constexpr Long kLastSampleRow = 217;
inline constexpr Long kSampleColumns = 80;  // 1, 5, ..., 317
inline constexpr Long kSampleRows = 55;     // 1, 5, ..., 217
inline constexpr Long kSamplePoints = kSampleColumns * kSampleRows;

constexpr bool on_sample_grid(Long x, Long y) {
  return x >= kFirstSampleColumn && x <= kLastSampleColumn && y >= kFirstSampleRow &&
         y <= kLastSampleRow && (x - 1) % kSampleStep == 0 && (y - 1) % kSampleStep == 0;
}

class SampleTable {
 public:
  // The colour at (x, y), x in 1..320 and y in 1..240: 0 off the grid.
  Long operator()(Long x, Long y) const {
    assert(x >= 1 && x <= 320 && y >= 1 && y <= 240);
    return on_sample_grid(x, y) ? grid_[slot((x - 1) / kSampleStep, (y - 1) / kSampleStep)] : 0;
  }

 private:
  friend class SampleGrid;  // the control's writing and counting, by grid column and row

  static std::size_t slot(Long column, Long row) {
    assert(column >= 0 && column < kSampleColumns && row >= 0 && row < kSampleRows);
    return static_cast<std::size_t>(column * kSampleRows + row);
  }
  std::array<Long, kSamplePoints> grid_{};
};

}  // namespace zentrik
