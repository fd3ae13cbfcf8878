// Summed-area tables over the sampling grid for the zone passes.
#include "ZoneCounter.h"

#include <algorithm>

namespace zentrik {
namespace {

constexpr std::size_t kStride = kSampleRows + 1;

// Fills `sums` from a per-point 0/1 predicate, walking the grid column by column.
template <typename Sums, typename Predicate>
void build(Sums& sums, Predicate hit) {
  std::fill_n(sums.begin(), kStride, std::uint16_t{0});
  for (Long column = 0; column < kSampleColumns; ++column) {
    const std::uint16_t* left = sums.data() + static_cast<std::size_t>(column) * kStride;
    std::uint16_t* here = sums.data() + static_cast<std::size_t>(column + 1) * kStride;
    std::uint16_t running = 0;
    here[0] = 0;
    for (Long row = 0; row < kSampleRows; ++row) {
      running = static_cast<std::uint16_t>(running + (hit(column, row) ? 1 : 0));
      here[row + 1] = static_cast<std::uint16_t>(left[row + 1] + running);
    }
  }
}

}  // namespace

void ZoneCounter::reset() {
  motion_ready_ = false;
  colours_used_ = 0;
}

Long ZoneCounter::sum(const SummedArea& sums, const SampleWindow& window) {
  if (window.empty()) return 0;
  const std::size_t c0 = static_cast<std::size_t>(grid_index(window.cs));
  const std::size_t c1 = static_cast<std::size_t>(grid_index(window.ce)) + 1;
  const std::size_t r0 = static_cast<std::size_t>(grid_index(window.rs));
  const std::size_t r1 = static_cast<std::size_t>(grid_index(window.re)) + 1;
  return static_cast<Long>(sums[c1 * kStride + r1]) - sums[c0 * kStride + r1] -
         sums[c1 * kStride + r0] + sums[c0 * kStride + r0];
}

Long ZoneCounter::changed_points(const SampleTable& previous, const SampleTable& current,
                                 const SampleWindow& window) {
  if (!motion_ready_) {
    const auto& before = SampleGrid::points(previous);
    const auto& now = SampleGrid::points(current);
    build(motion_, [&](Long column, Long row) {
      const std::size_t i = static_cast<std::size_t>(column * kSampleRows + row);
      return before[i] != now[i];
    });
    motion_ready_ = true;
  }
  return sum(motion_, window);
}

ZoneCounter::ColourTable& ZoneCounter::colour_table(const SampleTable& current, Long colour) {
  for (std::size_t i = 0; i < colours_used_; ++i) {
    if (colours_[i].colour == colour) return colours_[i];
  }
  if (colours_used_ == kMaxColourTables) colours_used_ = 0;
  if (colours_used_ == colours_.size()) colours_.emplace_back();
  ColourTable& table = colours_[colours_used_++];
  table.colour = colour;
  const auto& now = SampleGrid::points(current);
  // Most zone colours are absent from most frames: count first, build only when needed.
  table.any = std::find(now.begin(), now.end(), colour) != now.end();
  if (table.any) {
    build(table.sums, [&](Long column, Long row) {
      return now[static_cast<std::size_t>(column * kSampleRows + row)] == colour;
    });
  }
  return table;
}

Long ZoneCounter::matching_points(const SampleTable& current, Long colour,
                                  const SampleWindow& window) {
  const ColourTable& table = colour_table(current, colour);
  return table.any ? sum(table.sums, window) : 0;
}

}  // namespace zentrik
