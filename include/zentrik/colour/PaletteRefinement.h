// Working on a palette made for an image with the image's colour histogram: how many of the
// octree's root octants the image fills, topping a palette up to the colour count asked for, and
// k-means rounds that move each entry to the mean of the colours mapped to it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "zentrik/colour/PaletteEntry.h"
#include "zentrik/platform/automation.h"
#include "zentrik/platform/byte_view.h"

namespace zentrik {

// One colour of an image and how many pixels show it; colour = blue | green << 8 | red << 16.
struct ColourCount {
  std::uint32_t colour;
  std::uint32_t count;
};

// The image's distinct colours in ascending colour order (24-bit pixels, blue green red).
std::vector<ColourCount> colour_histogram(ConstByteView bits, Long width, Long height);

// How many of the eight octants of the octree's root hold a colour (a component above 128 lies
// in the upper half); the octree cannot make fewer colours than this.
int occupied_root_octants(std::span<const ColourCount> histogram);

// Appends colours until the palette holds `count` distinct colours or every colour of the
// histogram: in passes, the clusters with the largest squared error (up to half of them) are
// split along their widest channel; then the most frequent colours still missing are taken.
// Entries already there stay as they are.
void complete_palette(std::vector<PaletteEntry>& palette, std::span<const ColourCount> histogram,
                      std::size_t count);

// Keeps the `count` entries that the most pixels map to, in palette order.
void keep_most_used(std::vector<PaletteEntry>& palette, std::span<const ColourCount> histogram,
                    std::size_t count);

// `rounds` rounds of k-means: every colour goes to its nearest entry as cPalette::ClosestIndex
// finds it, then each entry becomes the rounded mean of its colours. An entry left without
// colours, or equal to an earlier entry, takes the colour that is worst served. Stops early when
// nothing moves.
void refine_palette(std::vector<PaletteEntry>& palette, std::span<const ColourCount> histogram,
                    int rounds);

// Up to `trials` times: the entries whose merging into their nearest neighbour costs least (a
// sixteenth of them) move to splits of the worst clusters, followed by `rounds` of k-means; a
// trial is kept only when it lowers the squared error.
void reseat_palette(std::vector<PaletteEntry>& palette, std::span<const ColourCount> histogram,
                    int trials, int rounds);

// The sum of squared channel differences between every pixel and its entry, as above.
std::uint64_t squared_error(std::span<const PaletteEntry> palette,
                            std::span<const ColourCount> histogram);

}  // namespace zentrik
