// ClosestIndexMap: candidate lists per cell under the city-block distance.
//
// Why a cell's list gives the exact answer: for a colour q in cell C and any entry j,
// d(q, j) <= maxDist(j, C), so the smallest distance d* <= U = min over j of maxDist(j, C). Any
// entry i at distance d* from q has minDist(i, C) <= d* <= U and is therefore kept. Exact matches
// are at distance 0 = d* and kept too. Scanning the kept entries in entry order with the rules of
// the full scan thus finds the same first exact match, or the same lowest entry at d* with the
// same 765 cut-off.
#include "zentrik/colour/ClosestIndexMap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace zentrik {
namespace {

// Distance of a component to the nearest and to the farthest value of [low, high].
int MinDistance(int value, int low, int high) {
  return value < low ? low - value : value > high ? value - high : 0;
}
int MaxDistance(int value, int low, int high) {
  return std::max(std::abs(value - low), std::abs(value - high));
}

}  // namespace

Long ClosestIndexByScan(std::span<const PaletteEntry> entries, Long red, Long green, Long blue) {
  Long best = 0;
  std::int64_t bestDistance = 765;
  const auto count = static_cast<Long>(entries.size());
  for (Long i = 1; i <= count; ++i) {
    const PaletteEntry& entry = entries[static_cast<std::size_t>(i - 1)];
    if (entry.red == red && entry.green == green && entry.blue == blue) return i;
    const std::int64_t distance = std::llabs(std::int64_t{red} - entry.red) +
                                  std::llabs(std::int64_t{green} - entry.green) +
                                  std::llabs(std::int64_t{blue} - entry.blue);
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

ClosestIndexMap::ClosestIndexMap(std::span<const PaletteEntry> entries)
    : entries_(entries.begin(), entries.end()),
      cells_(static_cast<std::size_t>(kCellsPerChannel * kCellsPerChannel * kCellsPerChannel)) {}

bool ClosestIndexMap::Matches(std::span<const PaletteEntry> entries) const {
  return entries.size() == entries_.size() &&
         (entries.empty() ||
          std::memcmp(entries.data(), entries_.data(), entries.size() * sizeof(PaletteEntry)) == 0);
}

void ClosestIndexMap::BuildCell(std::size_t cell, int redCell, int greenCell, int blueCell) {
  const int redLow = redCell << kCellBits, redHigh = redLow + (1 << kCellBits) - 1;
  const int greenLow = greenCell << kCellBits, greenHigh = greenLow + (1 << kCellBits) - 1;
  const int blueLow = blueCell << kCellBits, blueHigh = blueLow + (1 << kCellBits) - 1;
  int bound = std::numeric_limits<int>::max();
  for (const PaletteEntry& entry : entries_) {
    bound = std::min(bound, MaxDistance(entry.red, redLow, redHigh) +
                                MaxDistance(entry.green, greenLow, greenHigh) +
                                MaxDistance(entry.blue, blueLow, blueHigh));
  }
  Cell& target = cells_[cell];
  target.first = static_cast<std::uint32_t>(candidates_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const PaletteEntry& entry = entries_[i];
    const int nearest = MinDistance(entry.red, redLow, redHigh) +
                        MinDistance(entry.green, greenLow, greenHigh) +
                        MinDistance(entry.blue, blueLow, blueHigh);
    if (nearest <= bound)
      candidates_.push_back({entry.red, entry.green, entry.blue, static_cast<Long>(i + 1)});
  }
  target.count = static_cast<std::uint32_t>(candidates_.size()) - target.first;
}

Long ClosestIndexMap::ClosestIndex(Byte red, Byte green, Byte blue) {
  const int redCell = red >> kCellBits, greenCell = green >> kCellBits,
            blueCell = blue >> kCellBits;
  const auto cell = static_cast<std::size_t>(
      (blueCell * kCellsPerChannel + greenCell) * kCellsPerChannel + redCell);
  if (cells_[cell].first == kNotBuilt) BuildCell(cell, redCell, greenCell, blueCell);
  const Cell& found = cells_[cell];
  const Candidate* candidate = candidates_.data() + found.first;
  const Candidate* const end = candidate + found.count;
  Long best = 0;
  int bestDistance = 765;
  for (; candidate != end; ++candidate) {
    const int distance = std::abs(red - candidate->red) + std::abs(green - candidate->green) +
                         std::abs(blue - candidate->blue);
    if (distance == 0) return candidate->index;  // exact match: the same test, cheaper
    if (distance < bestDistance) {
      best = candidate->index;
      bestDistance = distance;
    }
  }
  return best;
}

Long ClosestIndexMap::NearestIndex(Byte red, Byte green, Byte blue) const {
  Long best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const PaletteEntry& entry = entries_[i];
    const int distance =
        std::abs(red - entry.red) + std::abs(green - entry.green) + std::abs(blue - entry.blue);
    if (distance < bestDistance) {
      best = static_cast<Long>(i + 1);
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace zentrik
