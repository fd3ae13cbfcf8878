// A literal ApplyPalette over byte views for comparisons and as the benchmark baseline: one
// linear ClosestIndex scan per pixel, column by column, then the target copied over the source.
#pragma once

#include <cstdlib>
#include <cstring>

#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/byte_view.h"

namespace zentrik::testing {

inline void ReferenceApplyPalette(ByteView from, ByteView to, Long width, Long height,
                                  const cPalette& palette, bool diffuse) {
  const Long lastX = 3 * width - 3, lastRow = height - 1;
  auto clampAdd = [](Byte& byte, Long d, Long w) {
    Long v = byte + d * w / 16;
    byte = static_cast<Byte>(v < 0 ? 0 : v > 255 ? 255 : v);
  };
  for (Long x = 0; x <= lastX; x += 3) {
    for (Long y = 0; y <= lastRow; ++y) {
      const Long r = from(x + 2, y), g = from(x + 1, y), b = from(x, y);
      Long i = palette.ClosestIndex(r, g, b);
      if (i == 0) {  // every entry 765 away: the first of the nearest
        Long best = 1000;
        for (Long k = 1; k <= palette.Count(); ++k) {
          const PaletteEntry& e = palette.entries()[static_cast<std::size_t>(k - 1)];
          const Long d = std::abs(r - e.red) + std::abs(g - e.green) + std::abs(b - e.blue);
          if (d < best) best = d, i = k;
        }
      }
      const PaletteEntry& e = palette.entries()[static_cast<std::size_t>(i - 1)];
      to(x, y) = e.blue;
      to(x + 1, y) = e.green;
      to(x + 2, y) = e.red;
      if (!diffuse) continue;
      const Long d[3] = {b - e.blue, g - e.green, r - e.red};
      if (std::abs(d[0]) + std::abs(d[1]) + std::abs(d[2]) <= 3) continue;
      if (x < lastX - 3)
        for (int c = 0; c < 3; ++c) clampAdd(from(x + 3 + c, y), d[c], 7);
      if (y < lastRow) {
        for (Long k = -3; k <= 3; k += 3) {
          if (x + k <= 0 || x + k >= lastX) continue;
          const Long w = k == 0 ? 4 : 0;
          for (int c = 0; c < 3; ++c) clampAdd(from(x + k + c, y + 1), d[c], w);
        }
      }
    }
  }
  for (Long y = 0; y <= lastRow; ++y)
    std::memcpy(from.row(y).data(), to.row(y).data(), static_cast<std::size_t>(3 * width));
}

}  // namespace zentrik::testing
