#include "NearestColour.h"

#include <algorithm>
#include <numeric>

namespace zentrik {
namespace {

std::uint32_t square(std::int32_t v) {
  return static_cast<std::uint32_t>(v * v);
}

}  // namespace

NearestColour::NearestColour(std::span<const PaletteEntry> palette)
    : cellStart_(static_cast<std::size_t>(kCellsPerSide) * kCellsPerSide * kCellsPerSide,
                 kNotBuilt),
      cellCount_(cellStart_.size(), 0) {
  colours_.reserve(palette.size() * 3);
  for (const PaletteEntry& e : palette) colours_.insert(colours_.end(), {e.red, e.green, e.blue});
}

NearestColour::Match NearestColour::Nearest(int red, int green, int blue) {
  const std::uint32_t cell = static_cast<std::uint32_t>(
      ((red >> kCellBits) * kCellsPerSide + (green >> kCellBits)) * kCellsPerSide +
      (blue >> kCellBits));
  if (cellStart_[cell] == kNotBuilt) [[unlikely]]
    Build(cell);
  const std::uint32_t* entry = listEntry_.data() + cellStart_[cell];
  const std::uint32_t* bound = listBound_.data() + cellStart_[cell];
  Match best{0, ~std::uint32_t{0}};
  for (std::uint32_t k = 0, n = cellCount_[cell]; k < n && bound[k] <= best.distance; ++k) {
    const std::int32_t* c = colours_.data() + 3 * entry[k];
    const std::uint32_t d = square(c[0] - red) + square(c[1] - green) + square(c[2] - blue);
    if (d < best.distance || (d == best.distance && entry[k] < best.index)) best = {entry[k], d};
  }
  return best;
}

void NearestColour::Build(std::uint32_t cell) {
  const std::int32_t low[3] = {
      static_cast<std::int32_t>(cell / (kCellsPerSide * kCellsPerSide)) << kCellBits,
      static_cast<std::int32_t>((cell / kCellsPerSide) % kCellsPerSide) << kCellBits,
      static_cast<std::int32_t>(cell % kCellsPerSide) << kCellBits};
  constexpr std::int32_t kSide = (1 << kCellBits) - 1;
  const std::size_t count = colours_.size() / 3;
  std::vector<std::uint32_t>& nearest = nearestScratch_;
  nearest.resize(count);
  std::uint32_t bound = ~std::uint32_t{0};
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t nearD = 0, farD = 0;
    for (int c = 0; c < 3; ++c) {
      const std::int32_t v = colours_[3 * i + c];
      const std::int32_t lo = low[c], hi = low[c] + kSide;
      nearD += v < lo ? square(lo - v) : v > hi ? square(v - hi) : 0;
      farD += std::max(square(v - lo), square(v - hi));
    }
    nearest[i] = nearD;
    bound = std::min(bound, farD);
  }
  std::vector<std::uint32_t>& kept = keptScratch_;
  kept.clear();
  for (std::size_t i = 0; i < count; ++i)
    if (nearest[i] <= bound) kept.push_back(static_cast<std::uint32_t>(i));
  std::stable_sort(kept.begin(), kept.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return nearest[a] < nearest[b]; });
  cellStart_[cell] = static_cast<std::uint32_t>(listEntry_.size());
  cellCount_[cell] = static_cast<std::uint16_t>(kept.size());
  for (std::uint32_t i : kept) {
    listEntry_.push_back(i);
    listBound_.push_back(nearest[i]);
  }
}

}  // namespace zentrik
