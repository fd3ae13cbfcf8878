// NearestColour: the palette entry at the smallest squared (Euclidean) distance from a colour, the
// measure PSNR counts. RGB space is cut into cells of 8 x 8 x 8, each keeping, on first use, only
// the entries that can be nearest to a colour inside it, ordered by their distance to the cell.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "zentrik/colour/PaletteEntry.h"

namespace zentrik {

class NearestColour {
 public:
  explicit NearestColour(std::span<const PaletteEntry> palette);

  // The lowest-numbered entry at the smallest squared distance, and that distance. The palette
  // must not be empty.
  struct Match {
    std::uint32_t index;
    std::uint32_t distance;
  };
  Match Nearest(int red, int green, int blue);

 private:
  static constexpr int kCellBits = 3;
  static constexpr int kCellsPerSide = 256 >> kCellBits;
  static constexpr std::uint32_t kNotBuilt = ~std::uint32_t{0};

  void Build(std::uint32_t cell);

  std::vector<std::int32_t> colours_;  // red, green, blue of each entry
  std::vector<std::uint32_t> cellStart_;
  std::vector<std::uint16_t> cellCount_;
  // Candidates of all built cells: entry number and the squared distance to the cell's box.
  std::vector<std::uint32_t> listEntry_;
  std::vector<std::uint32_t> listBound_;
  // Reused by Build: each entry's distance to the cell, and the entries kept.
  std::vector<std::uint32_t> nearestScratch_;
  std::vector<std::uint32_t> keptScratch_;
};

}  // namespace zentrik
