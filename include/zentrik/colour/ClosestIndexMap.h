// ClosestIndexMap: cPalette::ClosestIndex for byte colours, faster for many lookups. RGB space is
// cut into cells of 4 x 4 x 4 (inside coarse cells of 8 x 8 x 8); each cell keeps only the
// entries that can be nearest to some colour in it, and a lookup compares those alone. Cells are
// filled on first use; a cell whose list would be long (tightly clustered palettes) falls back to
// the plain scan, which keeps memory bounded.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "zentrik/colour/PaletteEntry.h"
#include "zentrik/platform/automation.h"

namespace zentrik {

class ClosestIndexMap {
 public:
  explicit ClosestIndexMap(std::span<const PaletteEntry> entries);

  // Identical to cPalette::ClosestIndex over the same entries: city-block distance, exact-match
  // exit, strict < against 765, lowest entry on ties, 0 when none is chosen.
  //
  // The result is the smallest (distance, entry number) pair as one key; it starts at distance
  // 765, so an entry 765 away is never taken and "none" reads as entry 0.
  Long ClosestIndex(Byte red, Byte green, Byte blue) {
    const std::size_t index = CellOf(red, green, blue, kFineBits);
    std::uint32_t cell = fine_[index];
    if (cell == kNotBuilt) cell = BuildFine(index);
    std::uint32_t best = 765u << 16;
    if ((cell & 0xFFu) != 0) {  // up to four distinct colours held in the cell itself
      for (int slot = 0; slot < 4; ++slot, cell >>= 8)
        best = std::min(best, Key(distinct_[(cell & 0xFFu) - 1], red, green, blue));
      return static_cast<Long>(best & 0xFFFFu);
    }
    if ((cell >> 8) == kScanAllList) return ScanAll(red, green, blue);
    // A longer list, nearest first in groups of four (padded with copies): a group whose nearest
    // possible distance is above the best so far ends the search; one at an equal distance may
    // still hold a lower entry.
    const std::uint32_t list = lists_[cell >> 8];
    const Candidate* candidate = pool_.data() + (list >> kCountBits);
    const Candidate* const end = candidate + (list & kCountMask);
    do {
      best = std::min(best, Key(candidate[0], red, green, blue));
      best = std::min(best, Key(candidate[1], red, green, blue));
      best = std::min(best, Key(candidate[2], red, green, blue));
      best = std::min(best, Key(candidate[3], red, green, blue));
      candidate += 4;
    } while (candidate != end && candidate->nearest <= (best >> 16));
    return static_cast<Long>(best & 0xFFFFu);
  }
  // The lowest-numbered entry at the smallest distance, without the 765 cut-off; 0 only for an
  // empty palette.
  Long NearestIndex(Byte red, Byte green, Byte blue) const;

  // True while the entries still equal those the map was made from.
  bool Matches(std::span<const PaletteEntry> entries) const;
  std::span<const PaletteEntry> entries() const { return entries_; }

 private:
  static constexpr int kFineBits = 2;    // 4 values per fine cell and channel
  static constexpr int kCoarseBits = 3;  // 8 values per coarse cell and channel
  // A fine cell is one word: 0 = not filled; four slots of 8 bits, each a distinct colour's
  // number (from 1) when the lowest slot is not 0; otherwise a list number above the low byte.
  static constexpr std::uint32_t kNotBuilt = 0;
  static constexpr std::uint32_t kScanAllList = 0xFFFFFFu;
  static constexpr std::size_t kMaxSlotColours = 255;
  // A list is one word: its first candidate above, its length (a multiple of 4) below.
  static constexpr int kCountBits = 7;
  static constexpr std::uint32_t kCountMask = (1u << kCountBits) - 1;
  static constexpr std::size_t kMaxKept = 60;  // longer lists: plain scan
  static constexpr std::size_t kMaxPool = (std::size_t{1} << (32 - kCountBits)) - 64;
  static constexpr std::uint32_t kScanAll = 0xFFFFFFFFu;  // a coarse cell without a list

  struct Candidate {
    Byte red;
    Byte green;
    Byte blue;
    Byte unused;
    std::uint16_t index;    // entry number; maps are made only for palettes below 65536
    std::uint16_t nearest;  // smallest distance to any colour of the cell
  };
  static_assert(sizeof(Candidate) == 8);

  static int Distance(int a, int b) { return a > b ? a - b : b - a; }
  static std::uint32_t Key(const Candidate& c, int red, int green, int blue) {
    const auto distance = static_cast<std::uint32_t>(
        Distance(red, c.red) + Distance(green, c.green) + Distance(blue, c.blue));
    return (distance << 16) | c.index;
  }
  static std::size_t CellOf(int red, int green, int blue, int bits) {
    const int perChannel = 256 >> bits;
    return static_cast<std::size_t>(((blue >> bits) * perChannel + (green >> bits)) * perChannel +
                                    (red >> bits));
  }
  // Fills `kept` with those of `from` that can be nearest within the cell whose lowest colour is
  // given, nearest first; false when they are too many.
  static bool Keep(std::span<const Candidate> from, int redLow, int greenLow, int blueLow, int bits,
                   std::vector<Candidate>& kept);
  // Appends a list to the pool in groups of four; kScanAll when the pool is full.
  std::uint32_t Store(const std::vector<Candidate>& kept);
  std::uint32_t BuildCoarse(std::size_t cell);
  std::uint32_t BuildFine(std::size_t cell);
  Long ScanAll(Byte red, Byte green, Byte blue) const;

  std::vector<PaletteEntry> entries_;
  // The first entry of each colour, in entry order: later duplicates can never be chosen.
  std::vector<Candidate> distinct_;
  std::vector<std::uint32_t> coarse_;  // lists, kScanAll, or kNotBuilt
  std::vector<std::uint32_t> fine_;
  std::vector<std::uint32_t> lists_;  // the longer lists of fine cells
  std::vector<Candidate> pool_;       // every list's candidates
  std::vector<Candidate> scratch_;
};

// The plain scan of ClosestIndex over entries, for comparisons and baselines.
Long ClosestIndexByScan(std::span<const PaletteEntry> entries, Long red, Long green, Long blue);

}  // namespace zentrik
