#include "image/Quantise.h"

#include <algorithm>

#include "cli/CommandLine.h"
#include "cli/ProgressBar.h"
#include "zentrik/colour/PaletteRefinement.h"

namespace zentrik::cli {
namespace {

// Trials of moving the least useful entries to the worst clusters after the k-means rounds.
constexpr int kReseatTrials = 4;

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
  // Refinement starts from the octree's most used half, grown back by splitting the worst
  // clusters: better seeds than the octree's own leaves.
  keep_most_used(entries, histogram, request.refine_rounds > 0 ? (wanted + 1) / 2 : wanted);
  complete_palette(entries, histogram, wanted);
  refine_palette(entries, histogram, request.refine_rounds);
  if (request.refine_rounds > 0)
    reseat_palette(entries, histogram, kReseatTrials, std::max(1, request.refine_rounds / 2));
  if (entries == palette.entries()) return;
  palette.Clear();
  for (const PaletteEntry& e : entries) palette.Add(e.red, e.green, e.blue);
}

}  // namespace zentrik::cli
