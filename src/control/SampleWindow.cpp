// The sample window of a zone rectangle.
#include "SampleWindow.h"

#include <algorithm>

#include "zentrik/control/SampleTable.h"

namespace zentrik {
namespace {

// The smallest grid coordinate (1, 5, 9, ...) at or above v, for v >= 1.
constexpr Long up4(Long v) {
  return v + (kSampleStep - (v - 1) % kSampleStep) % kSampleStep;
}

// First and last grid coordinate of the span a..b, where the span's own first pixel is `a`
// and grid coordinates below `low` or above `high` are never used.
void grid_span(std::int64_t a, std::int64_t b, Long low, Long high, Long& first, Long& last) {
  first = up4(static_cast<Long>(std::clamp<std::int64_t>(a, low, high)));
  last = up4(static_cast<Long>(std::clamp<std::int64_t>(b, low, high)));
  if (last > b) last -= kSampleStep;
}

}  // namespace

SampleWindow sample_window(Long left, Long top, Long width, Long height) {
  SampleWindow w;
  const std::int64_t l = left, t = top;
  // Interior columns left+1 .. left+width-1, rows top+1 .. top+height-1; the lowest usable grid
  // line is the second one (5), the highest the last one.
  grid_span(l + 1, l + width - 1, kFirstSampleColumn + kSampleStep, kLastSampleColumn, w.cs, w.ce);
  grid_span(t + 1, t + height - 1, kFirstSampleRow + kSampleStep, kLastSampleRow, w.rs, w.re);
  return w;
}

}  // namespace zentrik
