// A non-owning view of one bitmap's pixels for the blit code: rows over a ByteView in memory
// order, the row order, the size and depth, and the colour table of a paletted surface.
#pragma once

#include <cstdint>

#include "colour_table.h"
#include "zentrik/platform/byte_view.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {

struct SurfaceView {
  ByteView bits;                         // rows in memory order, `stride` bytes apart
  bool bottomUp = false;                 // the first row in memory is the bottom row
  Long width = 0;                        // pixels
  Long bitsPerPixel = 32;                // 32 (B, G, R, 0), 24 (B, G, R), 8 or 4 (indices)
  const ColourTable* colours = nullptr;  // paletted surfaces only

  Long height() const { return static_cast<Long>(bits.rows()); }
  // Row `y` counted from the top, whatever the order in memory.
  std::uint8_t* row(Long y) const { return bits.row(bottomUp ? bits.rows() - 1 - y : y).data(); }
};

}  // namespace zentrik
