// The sample tables by grid column and row index (0..79, 0..54): only the grid is stored, column
// by column (the sampling order), so that zone counts walk contiguous memory.
#pragma once

#include <array>

#include "zentrik/control/SampleTable.h"

namespace zentrik {

// Grid index of a grid coordinate (1 -> 0, 5 -> 1, ...).
constexpr Long grid_index(Long coordinate) {
  return (coordinate - 1) / kSampleStep;
}

class SampleGrid {
 public:
  static Long& at(SampleTable& table, Long column, Long row) {
    return table.grid_[SampleTable::slot(column, row)];
  }
  static const std::array<Long, kSamplePoints>& points(const SampleTable& table) {
    return table.grid_;
  }
};

}  // namespace zentrik
