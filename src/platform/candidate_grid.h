// The coarse grid behind a nearest-colour map: for every cell of 8 x 8 x 8 colours, either the
// one table entry that wins everywhere in the cell or the short list of entries that can win
// somewhere in it (in index order), found once per table.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "zentrik/platform/gdi.h"

namespace zentrik {

struct CandidateGrid {
  static constexpr int kCellShift = 3;  // 8 levels per channel and cell
  static constexpr int kAxisBits = 8 - kCellShift;
  static constexpr int kCellCount = 1 << (3 * kAxisBits);
  static constexpr std::uint32_t kSingle = 0x8000'0000u;  // the cell's one winner, low byte

  static constexpr int cell_of(int red, int green, int blue) {
    return ((red >> kCellShift) << (2 * kAxisBits)) | ((green >> kCellShift) << kAxisBits) |
           (blue >> kCellShift);
  }
  // Position of a colour within its cell: 9 bits, red highest.
  static constexpr int local_of(int red, int green, int blue) {
    constexpr int kMask = (1 << kCellShift) - 1;
    return ((red & kMask) << (2 * kCellShift)) | ((green & kMask) << kCellShift) | (blue & kMask);
  }

  // Cell and position of a colour in one key: key_part(red, 2) | key_part(green, 1) |
  // key_part(blue, 0) has the cell in bits 0-14 and the position in bits 16-24. Looked up per
  // channel from small tables, this costs less than the shifts and masks per pixel.
  static constexpr std::uint32_t key_part(int value, int channel) {
    return (static_cast<std::uint32_t>(value >> kCellShift) << (channel * kAxisBits)) |
           (static_cast<std::uint32_t>(value & ((1 << kCellShift) - 1))
            << (16 + channel * kCellShift));
  }
  static constexpr std::uint32_t kKeyCellMask = (1u << (3 * kAxisBits)) - 1;
  static constexpr int kKeyPositionShift = 16;

  std::vector<std::uint32_t> cells;  // kSingle | index, or the offset of the cell's list
  // Per list: the count, then the candidates packed blue | green << 8 | red << 16 | index << 24.
  std::vector<std::uint32_t> lists;
};

// The grid of a table; tables of more than 256 entries use their first 256.
CandidateGrid build_candidate_grid(std::span<const RgbQuad> table);

// The winner among a cell's list for one colour: smallest squared distance, then lowest index.
Byte scan_candidates(const std::uint32_t* list, int red, int green, int blue);

}  // namespace zentrik
