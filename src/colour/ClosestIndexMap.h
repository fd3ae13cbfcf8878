// ClosestIndexMap: cPalette::ClosestIndex for byte colours, faster for many lookups. RGB space is
// cut into cells of 4 x 4 x 4 (inside coarse cells of 8 x 8 x 8, inside super cells of
// 16 x 16 x 16); each cell keeps only the
// entries that can be nearest to some colour in it, and a lookup compares those alone: four or
// fewer held in the cell's word and compared at once, or a cell with more is split in eight
// parts of 2 x 2 x 2 that mostly hold four or fewer, else a list. Cells are filled on first use;
// a cell whose list would be long (tightly clustered palettes) falls back to the plain scan,
// which keeps memory bounded.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "zentrik/colour/PaletteEntry.h"
#include "zentrik/platform/automation.h"

namespace zentrik {

class ClosestIndexMap {
 public:
  explicit ClosestIndexMap(std::span<const PaletteEntry> entries);

  // What a lookup settles on: the lowest-numbered entry at the smallest city-block distance,
  // with no cut-off; that distance; and the entry's colour as its bytes lie in a pixel,
  // blue | green << 8 | red << 16. index is 0 only for an empty palette (distance then 765,
  // colour 0).
  struct Match {
    Long index;
    std::uint32_t distance;
    std::uint32_t colour;
  };

  Match Nearest(Byte red, Byte green, Byte blue) {
    std::uint32_t cell = Cell(red, green, blue);
    if ((cell & 0xFFu) == 0) [[unlikely]] {
      cell = SubCell(cell, red, green, blue);
      if ((cell & 0xFFu) == 0) [[unlikely]]
        return NearestInList(cell, red, green, blue);
    }
    // Up to four distinct colours held in the cell itself.
    const std::uint32_t key = SlotKey(slotColour_[cell & 0xFFu], slotColour_[(cell >> 8) & 0xFFu],
                                      slotColour_[(cell >> 16) & 0xFFu], slotColour_[cell >> 24],
                                      ColourOf(red, green, blue));
    const std::uint32_t slot = (cell >> (8 * (key & 3u))) & 0xFFu;
    return {slotIndex_[slot], key >> 2, slotColour_[slot]};
  }

  // For callers that compare the slot colours themselves: the word of four slot numbers (one a
  // byte, in entry order, the last repeated when fewer) of the cell holding a colour, or 0 when
  // that cell has no slots and only Nearest answers; ReadySlotWord the same without building
  // anything (0 also for a cell not built yet), so that it needs no call; and the colour of each
  // slot number as in Match. The nearest slot is the one SlotKey picks.
  std::uint32_t SlotWord(Byte red, Byte green, Byte blue) {
    std::uint32_t cell = Cell(red, green, blue);
    if ((cell & 0xFFu) == 0) [[unlikely]]
      cell = SubCell(cell, red, green, blue);
    return (cell & 0xFFu) != 0 ? cell : 0;
  }
  std::uint32_t ReadySlotWord(Byte red, Byte green, Byte blue) const {
    std::uint32_t cell = fine_[CellOf(red, green, blue, kFineBits)];
    if ((cell & (kSplit | 0xFFu)) == kSplit) [[unlikely]]
      cell = subCells_[(cell >> 9) * 8 + PartOf(red, green, blue)];
    return (cell & 0xFFu) != 0 ? cell : 0;
  }
  const std::uint32_t* SlotColours() const { return slotColour_.data(); }

  // Identical to cPalette::ClosestIndex over the same entries: city-block distance, exact-match
  // exit, strict < against 765, lowest entry on ties, 0 when none is chosen. The scan keeps the
  // lowest-numbered entry at the smallest distance unless that distance is 765 (an exact match
  // is distance 0), which is what Nearest finds.
  Long ClosestIndex(Byte red, Byte green, Byte blue) {
    const Match match = Nearest(red, green, blue);
    return match.distance < 765 ? match.index : 0;
  }
  // The lowest-numbered entry at the smallest distance, without the 765 cut-off; 0 only for an
  // empty palette.
  Long NearestIndex(Byte red, Byte green, Byte blue) { return Nearest(red, green, blue).index; }

  // True while the entries still equal those the map was made from.
  bool Matches(std::span<const PaletteEntry> entries) const;
  std::span<const PaletteEntry> entries() const { return entries_; }

  static std::uint32_t ColourOf(Byte red, Byte green, Byte blue) {
    return std::uint32_t{blue} | (std::uint32_t{green} << 8) | (std::uint32_t{red} << 16);
  }

  // The key of the nearest of four colours (each as ColourOf gives it): distance * 4 + position,
  // so that the smaller key is the nearer colour and, at equal distance, the earlier position.
  // Public for the tests, which compare it with SlotKeyPlain.
  static std::uint32_t SlotKey(std::uint32_t c0, std::uint32_t c1, std::uint32_t c2,
                               std::uint32_t c3, std::uint32_t colour) {
#if defined(__SSE2__)
    const __m128i query = _mm_set1_epi64x(static_cast<long long>(colour));
    // One colour in each 64-bit half, so that each sum of absolute byte differences is one
    // distance (16-bit lanes 0 and 4); the other lanes are made the largest key.
    const __m128i low = _mm_unpacklo_epi64(_mm_cvtsi32_si128(static_cast<int>(c0)),
                                           _mm_cvtsi32_si128(static_cast<int>(c1)));
    const __m128i high = _mm_unpacklo_epi64(_mm_cvtsi32_si128(static_cast<int>(c2)),
                                            _mm_cvtsi32_si128(static_cast<int>(c3)));
    constexpr short kNone = 0x7FFF;
    const __m128i lowKeys =
        _mm_or_si128(_mm_slli_epi16(_mm_sad_epu8(low, query), 2),
                     _mm_setr_epi16(0, kNone, kNone, kNone, 1, kNone, kNone, kNone));
    const __m128i highKeys =
        _mm_or_si128(_mm_slli_epi16(_mm_sad_epu8(high, query), 2),
                     _mm_setr_epi16(2, kNone, kNone, kNone, 3, kNone, kNone, kNone));
    __m128i keys = _mm_min_epi16(lowKeys, highKeys);
    keys = _mm_min_epi16(keys, _mm_shuffle_epi32(keys, _MM_SHUFFLE(1, 0, 3, 2)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(keys)) & 0xFFFFu;
#else
    return SlotKeyPlain(c0, c1, c2, c3, colour);
#endif
  }
  static std::uint32_t SlotKeyPlain(std::uint32_t c0, std::uint32_t c1, std::uint32_t c2,
                                    std::uint32_t c3, std::uint32_t colour) {
    const std::uint32_t colours[4] = {c0, c1, c2, c3};
    std::uint32_t best = 0xFFFFFFFFu;
    for (std::uint32_t position = 0; position < 4; ++position) {
      std::uint32_t distance = 0;
      for (int shift = 0; shift < 24; shift += 8)
        distance += static_cast<std::uint32_t>(
            Distance(static_cast<int>((colours[position] >> shift) & 0xFFu),
                     static_cast<int>((colour >> shift) & 0xFFu)));
      best = std::min(best, distance * 4 + position);
    }
    return best;
  }

 private:
  static constexpr int kFineBits = 2;    // 4 values per fine cell and channel
  static constexpr int kCoarseBits = 3;  // 8 values per coarse cell and channel
  static constexpr int kSuperBits = 4;   // 16 values per super cell and channel
  // A fine cell is one word: 0 = not filled; four slots of 8 bits, each a distinct colour's
  // number (from 1) when the lowest slot is not 0, in entry order; otherwise a list number (from
  // 1) above 9 bits, or, with bit 8 set (kSplit), the number of a block of eight sub-cells of
  // 2 x 2 x 2 whose words are built the same way (without kSplit).
  static constexpr std::uint32_t kNotBuilt = 0;
  static constexpr std::uint32_t kSplit = 0x100;
  static constexpr std::uint32_t kScanAllList = 0x7FFFFFu;
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
    Byte slot;              // number of the colour in the cell slots (from 1), 0 = none
    std::uint16_t index;    // entry number; maps are made only for palettes below 65536
    std::uint16_t nearest;  // smallest distance to any colour of the cell
  };
  static_assert(sizeof(Candidate) == 8);

  std::uint32_t Cell(Byte red, Byte green, Byte blue) {
    const std::size_t index = CellOf(red, green, blue, kFineBits);
    const std::uint32_t cell = fine_[index];
    if (cell == kNotBuilt) [[unlikely]]
      return BuildFine(index);
    return cell;
  }
  // Which of the eight parts of a split cell holds a colour.
  static std::size_t PartOf(Byte red, Byte green, Byte blue) {
    return ((red >> 1) & 1u) | (((green >> 1) & 1u) << 1) | (((blue >> 1) & 1u) << 2);
  }
  static bool NearestFirst(const Candidate& a, const Candidate& b) {
    return a.nearest != b.nearest ? a.nearest < b.nearest : a.index < b.index;
  }
  static int Distance(int a, int b) {
    return a > b ? a - b : b - a;
  }
  static std::uint32_t Key(const Candidate& c, int red, int green, int blue) {
    const auto distance = static_cast<std::uint32_t>(
        Distance(red, c.red) + Distance(green, c.green) + Distance(blue, c.blue));
    return (distance << 16) | c.index;
  }
  // Red in the lowest bits, blue in the highest; the three parts are formed side by side.
  static std::size_t CellOf(int red, int green, int blue, int bits) {
    const int perChannel = 8 - bits;  // bits of a cell number per channel
    const int mask = (0xFF >> bits) << bits;
    return static_cast<std::size_t>((red >> bits) | ((green & mask) << (perChannel - bits)) |
                                    ((blue & mask) << (2 * perChannel - bits)));
  }
  // Writes to `kept` those of `from` that can be nearest within the cell whose lowest colour is
  // given, with their smallest distance to it, and returns how many; kTooMany when more than
  // kMaxKept.
  static constexpr std::size_t kTooMany = ~std::size_t{0};
  static std::size_t Keep(const Candidate* from, std::size_t count, int redLow, int greenLow,
                          int blueLow, int bits, Candidate* kept);
  // The same over every distinct colour.
  std::size_t KeepOfAll(int redLow, int greenLow, int blueLow, int bits, Candidate* kept);
  // Appends a list to the pool in groups of four; kScanAll when the pool is full.
  std::uint32_t Store(const Candidate* kept, std::size_t size);
  // The list of a cell of 2^bits values per channel from the list of a larger cell around it
  // (kScanAll: from every distinct colour); kScanAll when it would be too long.
  std::uint32_t ListFrom(std::uint32_t around, int redLow, int greenLow, int blueLow, int bits);
  std::uint32_t BuildSuper(std::size_t cell);
  std::uint32_t BuildCoarse(std::size_t cell);
  std::uint32_t BuildFine(std::size_t cell);
  // For a cell word without slots: the word of the sub-cell holding the colour when the cell is
  // split, else the word itself.
  std::uint32_t SubCell(std::uint32_t cell, Byte red, Byte green, Byte blue);
  std::uint32_t BuildSubCell(std::size_t block, std::size_t sub, int redLow, int greenLow,
                             int blueLow);
  // The word of four slots for kept candidates, 0 when they do not fit.
  static std::uint32_t SlotsOf(Candidate* kept, std::size_t size);
  // A list word for kept candidates (sorted here), or the plain scan's.
  std::uint32_t ListWord(Candidate* kept, std::size_t size);
  Match NearestInList(std::uint32_t cell, Byte red, Byte green, Byte blue) const;
  Match NearestByScan(Byte red, Byte green, Byte blue) const;
  Match MatchOf(std::uint32_t key) const;

  std::vector<PaletteEntry> entries_;
  // The first entry of each colour, in entry order: later duplicates can never be chosen.
  std::vector<Candidate> distinct_;
  // The same colours as separate components, for the coarse cells' search over all of them.
  std::vector<std::int16_t> distinctRed_, distinctGreen_, distinctBlue_;
  std::vector<std::int16_t> nearestScratch_;
  std::vector<Byte> passScratch_;
  // Colour and entry number of each slot number (slot 0 unused).
  std::array<std::uint32_t, kMaxSlotColours + 1> slotColour_{};
  std::array<Long, kMaxSlotColours + 1> slotIndex_{};
  std::vector<std::uint32_t> super_;   // lists, kScanAll, or kNotBuilt
  std::vector<std::uint32_t> coarse_;  // the same
  std::vector<std::uint32_t> fine_;
  std::vector<std::uint32_t> lists_;       // the longer lists of fine cells (list 0 unused)
  std::vector<std::uint32_t> subCells_;    // eight words per block of a split cell
  std::vector<std::uint32_t> splitLists_;  // each block's list (of the cell it splits)
  std::vector<Candidate> pool_;            // every list's candidates
  std::array<Candidate, kMaxKept + 4> scratch_;
};

// The plain scan of ClosestIndex over entries, for comparisons and baselines.
Long ClosestIndexByScan(std::span<const PaletteEntry> entries, Long red, Long green, Long blue);

}  // namespace zentrik
