// ClosestIndexMap: candidate lists per cell under the city-block distance.
//
// Why a cell's list gives the exact answer. Nearest finds the lowest-numbered entry at the
// smallest distance d* over all entries; ClosestIndex is that entry unless d* = 765, which is
// what the full scan returns (its exact-match exit is the case d* = 0, and its strict < against
// a start of 765 is what leaves 0 when d* = 765). For a colour q in cell C and any entry j of a
// set S, d(q, j) <= maxDist(j, C), so d* <= U = min over j in S of maxDist(j, C); any entry i at
// distance d* has minDist(i, C) <= d* <= U and is kept. The lookup takes the smallest
// (distance, entry number) pair over the kept entries, so it finds the same entry. Entries of
// one colour count once, as the first of them: a later one can never be chosen.
// - Lists are sorted by minDist; once an entry's minDist exceeds the best distance so far
//   neither it nor any later one can win, so the lookup stops.
// - A cell of slots holds its colours in entry order; the lookup keeps the first slot at the
//   smallest distance, which is the lowest entry.
// - A coarse cell starts from the list of the super cell around it, a fine cell from the coarse
//   cell's, and a part of a split cell from the cell's list: that list holds every entry that can
//   be nearest anywhere in the larger cell, so it holds every one for the smaller one too.
#include "ClosestIndexMap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace zentrik {
namespace {

// Distance of a component to the nearest and to the farthest value of [low, high], without
// branches (which way they go is unpredictable).
int MinDistance(int value, int low, int high) {
  return std::max(std::max(low - value, value - high), 0);
}
int MaxDistance(int value, int low, int high) {
  return std::max(value - low, high - value);
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
      super_(std::size_t{1} << (3 * (8 - kSuperBits)), kNotBuilt),
      coarse_(std::size_t{1} << (3 * (8 - kCoarseBits)), kNotBuilt),
      fine_(std::size_t{1} << (3 * (8 - kFineBits)), kNotBuilt),
      lists_(1, 0) {
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
  if (distinct_.empty()) std::fill(fine_.begin(), fine_.end(), kScanAllList << 9);
  for (std::size_t i = 0; i < distinct_.size(); ++i) {
    Candidate& c = distinct_[i];
    distinctRed_.push_back(c.red);
    distinctGreen_.push_back(c.green);
    distinctBlue_.push_back(c.blue);
    if (i >= kMaxSlotColours) continue;  // numbers for the cell slots
    c.slot = static_cast<Byte>(i + 1);
    slotColour_[i + 1] = ColourOf(c.red, c.green, c.blue);
    slotIndex_[i + 1] = c.index;
  }
  nearestScratch_.resize(distinct_.size());
  passScratch_.assign((distinct_.size() + 7) / 8 * 8, 0);
  pool_.reserve(4096);
}

bool ClosestIndexMap::Matches(std::span<const PaletteEntry> entries) const {
  return entries.size() == entries_.size() &&
         (entries.empty() ||
          std::memcmp(entries.data(), entries_.data(), entries.size() * sizeof(PaletteEntry)) == 0);
}

std::size_t ClosestIndexMap::Keep(const Candidate* from, std::size_t count, int redLow,
                                  int greenLow, int blueLow, int bits, Candidate* kept) {
  const int span = (1 << bits) - 1;
  std::array<int, kMaxKept + 4> nearest;
  int bound = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < count; ++i) {
    const Candidate& c = from[i];
    bound = std::min(bound, MaxDistance(c.red, redLow, redLow + span) +
                                MaxDistance(c.green, greenLow, greenLow + span) +
                                MaxDistance(c.blue, blueLow, blueLow + span));
    nearest[i] = MinDistance(c.red, redLow, redLow + span) +
                 MinDistance(c.green, greenLow, greenLow + span) +
                 MinDistance(c.blue, blueLow, blueLow + span);
  }
  // Every candidate is written and only those kept are counted: whether one is kept is
  // unpredictable, so there is no branch on it. Copies of the previous candidate pad a list
  // taken from a coarse cell. `kept` has room for all of `from`.
  std::size_t size = 0;
  for (std::size_t i = 0; i < count; ++i) {
    kept[size] = from[i];
    kept[size].nearest = static_cast<std::uint16_t>(nearest[i]);
    const bool copy = i > 0 && from[i].index == from[i - 1].index;
    size += nearest[i] <= bound && !copy ? 1 : 0;
  }
  return size > kMaxKept ? kTooMany : size;
}

std::size_t ClosestIndexMap::KeepOfAll(int redLow, int greenLow, int blueLow, int bits,
                                       Candidate* kept) {
  // The same rule as Keep, in 16-bit arithmetic over separate components so that the compiler
  // can work on many colours at once: every sum stays below 3 * 255.
  const int span = (1 << bits) - 1;
  const std::size_t count = distinct_.size();
  const std::int16_t* const red = distinctRed_.data();
  const std::int16_t* const green = distinctGreen_.data();
  const std::int16_t* const blue = distinctBlue_.data();
  const auto rl = static_cast<std::int16_t>(redLow), rh = static_cast<std::int16_t>(redLow + span);
  const auto gl = static_cast<std::int16_t>(greenLow),
             gh = static_cast<std::int16_t>(greenLow + span);
  const auto bl = static_cast<std::int16_t>(blueLow),
             bh = static_cast<std::int16_t>(blueLow + span);
  std::int16_t bound = std::numeric_limits<std::int16_t>::max();
  for (std::size_t i = 0; i < count; ++i) {
    const auto farthest =
        static_cast<std::int16_t>(std::max<std::int16_t>(red[i] - rl, rh - red[i]) +
                                  std::max<std::int16_t>(green[i] - gl, gh - green[i]) +
                                  std::max<std::int16_t>(blue[i] - bl, bh - blue[i]));
    bound = std::min(bound, farthest);
  }
  // Which colours pass, one byte each (the scratch is padded with zeros to whole words): the
  // words are then scanned for the few set bytes.
  std::int16_t* const nearest = nearestScratch_.data();
  Byte* const passes = passScratch_.data();
  for (std::size_t i = 0; i < count; ++i) {
    nearest[i] = static_cast<std::int16_t>(
        std::max<std::int16_t>(std::max<std::int16_t>(rl - red[i], red[i] - rh), 0) +
        std::max<std::int16_t>(std::max<std::int16_t>(gl - green[i], green[i] - gh), 0) +
        std::max<std::int16_t>(std::max<std::int16_t>(bl - blue[i], blue[i] - bh), 0));
    passes[i] = nearest[i] <= bound ? 1 : 0;
  }
  std::size_t size = 0;
  for (std::size_t word = 0; word < count; word += 8) {
    std::uint64_t bits;
    std::memcpy(&bits, passes + word, 8);
    for (; bits != 0; bits &= bits - 1) {
      if (size == kMaxKept) return kTooMany;
      const std::size_t i = word + static_cast<std::size_t>(std::countr_zero(bits)) / 8;
      kept[size] = distinct_[i];
      kept[size].nearest = static_cast<std::uint16_t>(nearest[i]);
      ++size;
    }
  }
  return size;
}

std::uint32_t ClosestIndexMap::Store(const Candidate* kept, std::size_t size) {
  if (pool_.size() + size + 4 > kMaxPool) return kScanAll;
  const std::size_t first = pool_.size();
  pool_.insert(pool_.end(), kept, kept + size);
  // Groups of four: copies of the last one change no minimum.
  while ((pool_.size() - first) % 4 != 0) pool_.push_back(pool_.back());
  return static_cast<std::uint32_t>(first << kCountBits) |
         static_cast<std::uint32_t>(pool_.size() - first);
}

std::uint32_t ClosestIndexMap::ListFrom(std::uint32_t around, int redLow, int greenLow, int blueLow,
                                        int bits) {
  Candidate* const kept = scratch_.data();
  const std::size_t size = around == kScanAll
                               ? KeepOfAll(redLow, greenLow, blueLow, bits, kept)
                               : Keep(pool_.data() + (around >> kCountBits), around & kCountMask,
                                      redLow, greenLow, blueLow, bits, kept);
  if (size == kTooMany) return kScanAll;
  std::sort(kept, kept + size, NearestFirst);
  return Store(kept, size);
}

std::uint32_t ClosestIndexMap::BuildSuper(std::size_t cell) {
  constexpr int perChannel = 256 >> kSuperBits;
  const auto index = static_cast<int>(cell);
  super_[cell] = ListFrom(kScanAll, (index % perChannel) << kSuperBits,
                          (index / perChannel % perChannel) << kSuperBits,
                          (index / perChannel / perChannel) << kSuperBits, kSuperBits);
  return super_[cell];
}

std::uint32_t ClosestIndexMap::BuildCoarse(std::size_t cell) {
  constexpr int perChannel = 256 >> kCoarseBits;
  const auto index = static_cast<int>(cell);
  const int redLow = (index % perChannel) << kCoarseBits;
  const int greenLow = (index / perChannel % perChannel) << kCoarseBits;
  const int blueLow = (index / perChannel / perChannel) << kCoarseBits;
  const std::size_t outer = CellOf(redLow, greenLow, blueLow, kSuperBits);
  std::uint32_t around = super_[outer];
  if (around == kNotBuilt) around = BuildSuper(outer);
  coarse_[cell] = ListFrom(around, redLow, greenLow, blueLow, kCoarseBits);
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
  Candidate* const kept = scratch_.data();
  std::size_t size = 0;
  if (around == kScanAll) {
    size = KeepOfAll(redLow, greenLow, blueLow, kFineBits, kept);
  } else {
    // A coarse list of one group already serves every colour of the coarse cell.
    const Candidate* const from = pool_.data() + (around >> kCountBits);
    const std::uint32_t count = around & kCountMask;
    if (count == 4) {
      for (std::uint32_t i = 0; i < 4; ++i)
        if (size == 0 || kept[size - 1].index != from[i].index) kept[size++] = from[i];
    } else {
      size = Keep(from, count, redLow, greenLow, blueLow, kFineBits, kept);
    }
  }
  std::uint32_t word = SlotsOf(kept, size);
  if (word == 0) {
    word = ListWord(kept, size);
    // More than four colours: the cell is split in eight, each part with a list of its own made
    // from this one when first used. A part of 2 x 2 x 2 colours mostly has four or fewer.
    if ((word >> 9) != kScanAllList && subCells_.size() < (std::size_t{kScanAllList} << 3)) {
      splitLists_.push_back(lists_[word >> 9]);
      subCells_.resize(subCells_.size() + 8, kNotBuilt);
      word = (static_cast<std::uint32_t>(splitLists_.size() - 1) << 9) | kSplit;
    }
  }
  fine_[cell] = word;
  return word;
}

std::uint32_t ClosestIndexMap::SlotsOf(Candidate* kept, std::size_t size) {
  if (size == 0 || size > 4 ||
      !std::all_of(kept, kept + size, [](const Candidate& c) { return c.slot; }))
    return 0;
  // Slots in entry order (slot numbers follow it), the last repeated: at equal distance the
  // earlier slot wins, and a copy changes no minimum.
  for (std::size_t i = 1; i < size; ++i)
    for (std::size_t j = i; j > 0 && kept[j].slot < kept[j - 1].slot; --j)
      std::swap(kept[j], kept[j - 1]);
  std::uint32_t word = 0;
  for (std::size_t slot = 0; slot < 4; ++slot)
    word |= std::uint32_t{kept[std::min(slot, size - 1)].slot} << (8 * slot);
  return word;
}

std::uint32_t ClosestIndexMap::ListWord(Candidate* kept, std::size_t size) {
  if (size == 0 || size == kTooMany || lists_.size() >= kScanAllList) return kScanAllList << 9;
  std::sort(kept, kept + size, NearestFirst);
  const std::uint32_t list = Store(kept, size);
  if (list == kScanAll) return kScanAllList << 9;
  lists_.push_back(list);
  return static_cast<std::uint32_t>(lists_.size() - 1) << 9;
}

std::uint32_t ClosestIndexMap::SubCell(std::uint32_t cell, Byte red, Byte green, Byte blue) {
  if ((cell & kSplit) == 0) return cell;
  const std::size_t block = cell >> 9;
  const std::size_t sub = PartOf(red, green, blue);
  const std::uint32_t word = subCells_[block * 8 + sub];
  if (word != kNotBuilt) return word;
  return BuildSubCell(block, sub, red & ~1, green & ~1, blue & ~1);
}

std::uint32_t ClosestIndexMap::BuildSubCell(std::size_t block, std::size_t sub, int redLow,
                                            int greenLow, int blueLow) {
  const std::uint32_t list = splitLists_[block];
  Candidate* const kept = scratch_.data();
  const std::size_t size = Keep(pool_.data() + (list >> kCountBits), list & kCountMask, redLow,
                                greenLow, blueLow, 1, kept);
  std::uint32_t word = SlotsOf(kept, size);
  if (word == 0) word = ListWord(kept, size);
  subCells_[block * 8 + sub] = word;
  return word;
}

ClosestIndexMap::Match ClosestIndexMap::MatchOf(std::uint32_t key) const {
  const Long index = static_cast<Long>(key & 0xFFFFu);
  const PaletteEntry& e = entries_[static_cast<std::size_t>(index - 1)];
  return {index, key >> 16, ColourOf(e.red, e.green, e.blue)};
}

ClosestIndexMap::Match ClosestIndexMap::NearestInList(std::uint32_t cell, Byte red, Byte green,
                                                      Byte blue) const {
  if ((cell >> 9) == kScanAllList) return NearestByScan(red, green, blue);
  // Nearest first in groups of four (padded with copies): a group whose nearest possible
  // distance is above the best so far ends the search; one at an equal distance may still hold
  // a lower entry.
  const std::uint32_t list = lists_[cell >> 9];
  const Candidate* candidate = pool_.data() + (list >> kCountBits);
  const Candidate* const end = candidate + (list & kCountMask);
  std::uint32_t best = 0xFFFFFFFFu;
  do {
    best = std::min(best, Key(candidate[0], red, green, blue));
    best = std::min(best, Key(candidate[1], red, green, blue));
    best = std::min(best, Key(candidate[2], red, green, blue));
    best = std::min(best, Key(candidate[3], red, green, blue));
    candidate += 4;
  } while (candidate != end && candidate->nearest <= (best >> 16));
  return MatchOf(best);
}

ClosestIndexMap::Match ClosestIndexMap::NearestByScan(Byte red, Byte green, Byte blue) const {
  std::size_t best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const PaletteEntry& entry = entries_[i];
    const int distance =
        std::abs(red - entry.red) + std::abs(green - entry.green) + std::abs(blue - entry.blue);
    if (distance < bestDistance) {
      best = i + 1;
      bestDistance = distance;
    }
  }
  if (best == 0) return {0, 765, 0};
  const PaletteEntry& e = entries_[best - 1];
  return {static_cast<Long>(best), static_cast<std::uint32_t>(bestDistance),
          ColourOf(e.red, e.green, e.blue)};
}

}  // namespace zentrik
