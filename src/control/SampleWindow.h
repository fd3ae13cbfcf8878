// The grid points a zone looks at: the sampling-grid points of its rectangle without the
// rectangle's first column and row, never grid column 1 or row 1, cut at column 317 and row 217.
#pragma once

#include "zentrik/platform/automation.h"

namespace zentrik {

struct SampleWindow {
  // First and last grid column (cs..ce) and row (rs..re) in pixels, each 1 more than a
  // multiple of 4; empty when first > last.
  Long cs = 0, ce = 0, rs = 0, re = 0;

  bool empty() const { return cs > ce || rs > re; }
  Long columns() const { return empty() ? 0 : (ce - cs) / 4 + 1; }
  Long rows() const { return empty() ? 0 : (re - rs) / 4 + 1; }
  Long points() const { return columns() * rows(); }
};

// The window of the rectangle (left, top, width, height) in pixels. Worked in 32 bits, so any
// 16-bit geometry gives a window without overflow.
SampleWindow sample_window(Long left, Long top, Long width, Long height);

}  // namespace zentrik
