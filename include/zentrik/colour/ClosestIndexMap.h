// ClosestIndexMap: cPalette::ClosestIndex for byte colours, faster for many lookups. RGB space is
// cut into cells of 8 x 8 x 8; each cell keeps, in entry order, only the entries that can be
// nearest to some colour in it, and those are scanned by the exact rules of ClosestIndex.
#pragma once

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
  // exit, strict < against 765, lowest entry on ties, 0 when none is chosen. Fills the colour's
  // cell on first use.
  Long ClosestIndex(Byte red, Byte green, Byte blue);
  // The lowest-numbered entry at the smallest distance, without the 765 cut-off; 0 only for an
  // empty palette.
  Long NearestIndex(Byte red, Byte green, Byte blue) const;

  // True while the entries still equal those the map was made from.
  bool Matches(std::span<const PaletteEntry> entries) const;
  std::span<const PaletteEntry> entries() const { return entries_; }

 private:
  static constexpr int kCellBits = 3;  // 8 values per cell and channel
  static constexpr int kCellsPerChannel = 256 >> kCellBits;
  static constexpr std::uint32_t kNotBuilt = 0xFFFFFFFFu;

  struct Candidate {
    Byte red;
    Byte green;
    Byte blue;
    Long index;
  };
  struct Cell {
    std::uint32_t first = kNotBuilt;  // into candidates_
    std::uint32_t count = 0;
  };

  void BuildCell(std::size_t cell, int redCell, int greenCell, int blueCell);

  std::vector<PaletteEntry> entries_;
  std::vector<Cell> cells_;
  std::vector<Candidate> candidates_;
};

// The plain scan of ClosestIndex over entries, for comparisons and baselines.
Long ClosestIndexByScan(std::span<const PaletteEntry> entries, Long red, Long green, Long blue);

}  // namespace zentrik
