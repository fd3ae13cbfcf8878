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

// Grid index of a grid coordinate (1 -> 0, 5 -> 1, ...).
constexpr Long grid_index(Long coordinate) {
  return (coordinate - 1) / kSampleStep;
}
constexpr bool on_sample_grid(Long x, Long y) {
  return x >= kFirstSampleColumn && x <= kLastSampleColumn && y >= kFirstSampleRow &&
         y <= kLastSampleRow && (x - 1) % kSampleStep == 0 && (y - 1) % kSampleStep == 0;
}

// Only the grid is stored, column by column (the sampling order), so that zone counts walk
// contiguous memory.
class SampleTable {
 public:
  // The colour at (x, y), x in 1..320 and y in 1..240: 0 off the grid.
  Long operator()(Long x, Long y) const {
    assert(x >= 1 && x <= 320 && y >= 1 && y <= 240);
    return on_sample_grid(x, y) ? grid_[slot(grid_index(x), grid_index(y))] : 0;
  }
  // Grid access by column and row index (0..79, 0..54).
  Long& at_grid(Long column, Long row) { return grid_[slot(column, row)]; }
  Long at_grid(Long column, Long row) const { return grid_[slot(column, row)]; }
  const std::array<Long, kSamplePoints>& grid() const { return grid_; }

 private:
  static std::size_t slot(Long column, Long row) {
    assert(column >= 0 && column < kSampleColumns && row >= 0 && row < kSampleRows);
    return static_cast<std::size_t>(column * kSampleRows + row);
  }
  std::array<Long, kSamplePoints> grid_{};
};

}  // namespace zentrik
