// Row conversion for blits between the four pixel formats (32, 24, 8 and 4 bits per pixel):
// a converter is chosen once per pair of formats and colour tables and then run row by row.
#pragma once

#include <cstdint>

#include "colour_table.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {

// Copies `count` pixels from column `srcX` of a source row to column `dstX` of a destination
// row. Into a paletted row each pixel becomes the nearest entry of `dstColours`; out of one
// each index reads through `srcColours`. The rows must not overlap.
using RowConverter = void (*)(const std::uint8_t* src, Long srcX, std::uint8_t* dst, Long dstX,
                              Long count, const ColourTable* srcColours,
                              const ColourTable* dstColours);

// Which form of the 24-to-32 and 32-to-24 converters runs: plain loops, or the processor's byte
// shuffles (SSSE3). Both give the same bytes.
enum class RowKernels { Plain, Shuffled };
// Shuffled where the processor has them, plain otherwise.
RowKernels best_row_kernels();

// True when `count` 24-bit pixels from column `srcX` of `src` equal the 32-bit pixels from
// column `dstX` of `dst` in blue, green and red (the fourth bytes do not count).
using RowMatcher = bool (*)(const std::uint8_t* src, Long srcX, const std::uint8_t* dst, Long dstX,
                            Long count);
RowMatcher row_matcher_24_32(RowKernels kernels = best_row_kernels());

// The converter for a pair of formats; `sameColours` says that two paletted formats of the same
// depth share their colours, so indices are copied as they are. nullptr for unknown depths.
RowConverter row_converter(Long srcBits, Long dstBits, bool sameColours,
                           RowKernels kernels = best_row_kernels());

}  // namespace zentrik
