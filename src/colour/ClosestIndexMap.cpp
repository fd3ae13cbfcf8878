// ClosestIndexMap: candidate lists per cell under the city-block distance.
//
// Why a cell's list gives the exact answer. The full scan returns the lowest-numbered entry at
// the smallest distance d* (an exact match is the case d* = 0), or 0 when d* = 765. For a colour
// q in cell C and any entry j of a set S, d(q, j) <= maxDist(j, C), so d* <= U = min over j in S
// of maxDist(j, C); any entry i at distance d* has minDist(i, C) <= d* <= U and is kept. The
// lookup takes the smallest (distance, entry number) pair over the kept entries, never one at
// 765, so it finds the same entry. Kept entries are sorted by minDist; once an entry's minDist
// exceeds the best distance so far neither it nor any later one can win, so the lookup stops.
// Entries of one colour count once, as the first of them: a later one can never be chosen.
// A fine cell starts from the list of the coarse cell around it: that list holds every entry
// that can be nearest anywhere in the coarse cell, so it holds every one for the fine cell too.
#include "zentrik/colour/ClosestIndexMap.h"

#include <algorithm>
#include <array>
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
      coarse_(std::size_t{1} << (3 * (8 - kCoarseBits)), kNotBuilt),
      fine_(std::size_t{1} << (3 * (8 - kFineBits)), kNotBuilt) {
  // Entry numbers must fit the candidate records; larger palettes always use the plain scan.
  if (entries_.size() < 65536) {
    std::vector<bool> seen(std::size_t{1} << 24);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const PaletteEntry& e = entries_[i];
      const std::size_t key = (std::size_t{e.blue} << 16) | (std::size_t{e.green} << 8) | e.red;
      if (seen[key]) continue;
      seen[key] = true;
      distinct_.push_back({e.red, e.green, e.blue, 0, static_cast<std::uint16_t>(i + 1), 0});
    }
  }
  if (distinct_.empty()) std::fill(fine_.begin(), fine_.end(), kScanAllList << 8);
  for (std::size_t i = 0; i < distinct_.size(); ++i)  // numbers for the cell slots
    distinct_[i].unused = static_cast<Byte>(i < kMaxSlotColours ? i + 1 : 0);
}

bool ClosestIndexMap::Matches(std::span<const PaletteEntry> entries) const {
  return entries.size() == entries_.size() &&
         (entries.empty() ||
          std::memcmp(entries.data(), entries_.data(), entries.size() * sizeof(PaletteEntry)) == 0);
}

bool ClosestIndexMap::Keep(std::span<const Candidate> from, int redLow, int greenLow, int blueLow,
                           int bits, std::vector<Candidate>& kept) {
  const int span = (1 << bits) - 1;
  int bound = std::numeric_limits<int>::max();
  for (const Candidate& c : from) {
    bound = std::min(bound, MaxDistance(c.red, redLow, redLow + span) +
                                MaxDistance(c.green, greenLow, greenLow + span) +
                                MaxDistance(c.blue, blueLow, blueLow + span));
  }
  kept.clear();
  std::uint16_t previous = 0;
  for (Candidate c : from) {
    if (c.index == previous) continue;  // padding of a list taken from a coarse cell
    previous = c.index;
    const int nearest = MinDistance(c.red, redLow, redLow + span) +
                        MinDistance(c.green, greenLow, greenLow + span) +
                        MinDistance(c.blue, blueLow, blueLow + span);
    if (nearest > bound) continue;
    if (kept.size() == kMaxKept) return false;
    c.nearest = static_cast<std::uint16_t>(nearest);
    kept.push_back(c);
  }
  std::sort(kept.begin(), kept.end(), [](const Candidate& a, const Candidate& b) {
    return a.nearest != b.nearest ? a.nearest < b.nearest : a.index < b.index;
  });
  return true;
}

std::uint32_t ClosestIndexMap::Store(const std::vector<Candidate>& kept) {
  if (pool_.size() + kept.size() + 4 > kMaxPool) return kScanAll;
  const std::size_t first = pool_.size();
  pool_.insert(pool_.end(), kept.begin(), kept.end());
  // Groups of four: copies of the last one change no minimum.
  while ((pool_.size() - first) % 4 != 0) pool_.push_back(pool_.back());
  return static_cast<std::uint32_t>(first << kCountBits) |
         static_cast<std::uint32_t>(pool_.size() - first);
}

std::uint32_t ClosestIndexMap::BuildCoarse(std::size_t cell) {
  constexpr int perChannel = 256 >> kCoarseBits;
  const auto index = static_cast<int>(cell);
  const bool kept = Keep(distinct_, (index % perChannel) << kCoarseBits,
                         (index / perChannel % perChannel) << kCoarseBits,
                         (index / perChannel / perChannel) << kCoarseBits, kCoarseBits, scratch_);
  coarse_[cell] = kept ? Store(scratch_) : kScanAll;
  return coarse_[cell];
}

std::uint32_t ClosestIndexMap::BuildFine(std::size_t cell) {
  constexpr int perChannel = 256 >> kFineBits;
  const auto index = static_cast<int>(cell);
  const int redLow = (index % perChannel) << kFineBits;
  const int greenLow = (index / perChannel % perChannel) << kFineBits;
  const int blueLow = (index / perChannel / perChannel) << kFineBits;
  const std::size_t outer = CellOf(redLow, greenLow, blueLow, kCoarseBits);
  std::uint32_t around = coarse_[outer];
  if (around == kNotBuilt) around = BuildCoarse(outer);
  bool kept = false;
  if (around == kScanAll) {
    kept = Keep(distinct_, redLow, greenLow, blueLow, kFineBits, scratch_);
  } else if ((around & kCountMask) == 4) {
    // A coarse list of one group already serves every colour of the coarse cell.
    scratch_.clear();
    for (std::uint32_t i = 0; i < 4; ++i) {
      const Candidate& c = pool_[(around >> kCountBits) + i];
      if (scratch_.empty() || scratch_.back().index != c.index) scratch_.push_back(c);
    }
    kept = true;
  } else {
    // Copied out: the pool may move while the fine list is stored.
    std::array<Candidate, kMaxKept + 4> from{};
    const std::uint32_t count = around & kCountMask;
    std::copy_n(pool_.begin() + (around >> kCountBits), count, from.begin());
    kept = Keep(std::span<const Candidate>(from.data(), count), redLow, greenLow, blueLow,
                kFineBits, scratch_);
  }
  std::uint32_t word = kScanAllList << 8;
  if (kept && scratch_.size() <= 4 &&
      std::all_of(scratch_.begin(), scratch_.end(), [](const Candidate& c) { return c.unused; })) {
    word = 0;
    for (std::size_t slot = 0; slot < 4; ++slot) {
      const Candidate& c = scratch_[std::min(slot, scratch_.size() - 1)];
      word |= std::uint32_t{c.unused} << (8 * slot);
    }
  } else if (kept && lists_.size() < kScanAllList) {
    const std::uint32_t list = Store(scratch_);
    if (list != kScanAll) {
      word = static_cast<std::uint32_t>(lists_.size()) << 8;
      lists_.push_back(list);
    }
  }
  fine_[cell] = word;
  return word;
}

Long ClosestIndexMap::ScanAll(Byte red, Byte green, Byte blue) const {
  return ClosestIndexByScan(entries_, red, green, blue);
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
