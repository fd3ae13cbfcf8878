#include "image/Quantise.h"

#include <algorithm>

#include "cli/CommandLine.h"
#include "cli/ProgressBar.h"
#include "zentrik/colour/NearestMapping.h"
#include "zentrik/colour/PaletteRefinement.h"

namespace zentrik::cli {
namespace {

// The refined palette: k-means by squared distance from the octree's most used half grown back
// by splitting the worst clusters (better seeds than the octree's own leaves); the octree's
// palette, topped up, is kept when it is still the closer one.
void refine(std::vector<PaletteEntry>& entries, const std::vector<PaletteEntry>& octree,
            std::span<const ColourCount> histogram, const QuantiseRequest& request) {
  const std::size_t wanted = entries.size();
  std::vector<PaletteEntry> seeded = octree;
  keep_most_used(seeded, histogram, (wanted + 1) / 2);
  complete_palette(seeded, histogram, wanted);
  if (kmeans_nearest(seeded, histogram, request.refine_rounds) <
      nearest_squared_error(entries, histogram))
    entries.swap(seeded);
}

}  // namespace

void quantise_palette(cDIBSection& image, const QuantiseRequest& request, cPalette& palette) {
  const ByteView view = image.view();
  const std::vector<ColourCount> histogram = colour_histogram(
      ConstByteView(view.data(), view.stride(), view.rows()), image.Width(), image.Height());
  const Long fewest = occupied_root_octants(histogram);
  if (request.colours < fewest && request.refine_rounds == 0)
    throw UsageError("--colours " + std::to_string(request.colours) +
                     " is fewer than the octree can make of this picture (its colours fill " +
                     std::to_string(fewest) +
                     " of the 8 octants): ask for at least that many, or add --refine N");
  {
    ProgressBar bar("quantise", request.show_progress);
    palette.SetEventSink(&bar);
    palette.CreateOptimal(image, std::max(request.colours, fewest), request.levels);
    palette.SetEventSink(nullptr);
  }
  std::vector<PaletteEntry> entries = palette.entries();
  const auto wanted = static_cast<std::size_t>(request.colours);
  keep_most_used(entries, histogram, wanted);
  complete_palette(entries, histogram, wanted);
  if (request.refine_rounds > 0) refine(entries, palette.entries(), histogram, request);
  if (entries == palette.entries()) return;
  palette.Clear();
  for (const PaletteEntry& e : entries) palette.Add(e.red, e.green, e.blue);
}

}  // namespace zentrik::cli
