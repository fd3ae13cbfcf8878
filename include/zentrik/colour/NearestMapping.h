// Palette work by squared colour distance, the measure PSNR counts: k-means over an image's exact
// colours, the error of a palette, and mapping an image to its nearest entries, plainly or with
// serpentine error diffusion whose error is damped and bounded so that flat areas stay calm.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "zentrik/colour/PaletteEntry.h"
#include "zentrik/colour/PaletteRefinement.h"
#include "zentrik/platform/automation.h"
#include "zentrik/platform/byte_view.h"

namespace zentrik {

// Up to `rounds` rounds of k-means: every colour goes to its nearest entry, then each entry
// becomes the rounded mean of its colours; entries left without colours, or equal to another,
// take the worst served colours (pixels x squared distance), at most one from each cluster.
// Stops once a round lowers the error by less than a ten-thousandth. Leaves the palette with the
// lowest error seen, so never worse than the one given, and returns that error.
std::uint64_t kmeans_nearest(std::vector<PaletteEntry>& palette,
                             std::span<const ColourCount> histogram, int rounds);

// The sum over all pixels of the squared distance to the nearest entry.
std::uint64_t nearest_squared_error(std::span<const PaletteEntry> palette,
                                    std::span<const ColourCount> histogram);

// Replaces every 24-bit pixel (blue, green, red) with its nearest entry. With `diffuse`, rows go
// in alternate directions and each pixel passes on its error Floyd-Steinberg fashion, damped and
// bounded per channel. The palette must not be empty.
void map_to_nearest(ByteView bits, Long width, Long height, std::span<const PaletteEntry> palette,
                    bool diffuse);

}  // namespace zentrik
