// Counts, for a zone's sample window, the grid points whose colour changed since the previous
// frame or that show one exact colour, in constant time per zone from summed-area tables that
// are built once per sampled frame (and per colour asked for) on first use.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "SampleGrid.h"
#include "SampleWindow.h"

namespace zentrik {

class ZoneCounter {
 public:
  // Forgets every table: to be called whenever the samples change.
  void reset();

  // Points of the window where `previous` and `current` differ.
  Long changed_points(const SampleTable& previous, const SampleTable& current,
                      const SampleWindow& window);
  // Points of the window where `current` equals `colour` exactly.
  Long matching_points(const SampleTable& current, Long colour, const SampleWindow& window);

 private:
  // Entry (column, row) holds the count over grid columns < column and grid rows < row.
  using SummedArea = std::array<std::uint16_t, (kSampleColumns + 1) * (kSampleRows + 1)>;
  struct ColourTable {
    Long colour = 0;
    bool any = false;  // false: no point shows the colour and `sums` is not filled
    SummedArea sums;
  };
  // More distinct colours than this in one frame (handlers rewriting colours) start over.
  static constexpr std::size_t kMaxColourTables = 128;

  static Long sum(const SummedArea& sums, const SampleWindow& window);
  ColourTable& colour_table(const SampleTable& current, Long colour);

  bool motion_ready_ = false;
  SummedArea motion_{};
  std::vector<ColourTable> colours_;
  std::size_t colours_used_ = 0;
};

}  // namespace zentrik
