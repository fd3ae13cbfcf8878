// The palette of `zentrik image quantise`: the octree's palette for the colour count asked for,
// topped up when the octree folds away more colours than needed; or, refined, the octree's most
// used half grown back by splitting, k-means rounds over the picture's colours, and trials of
// moving the least useful entries to the worst clusters.
#pragma once

#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik::cli {

struct QuantiseRequest {
  Long colours = 236;
  Byte levels = 6;
  int refine_rounds = 0;  // 0: the octree's own entries are kept as they are
  bool show_progress = false;
};

// Fills `palette` for `image`. The palette holds exactly `colours` entries when the picture has
// that many colours (else one entry a colour). Below the number of root octants the picture
// fills the octree cannot go: that needs refinement, and is a UsageError without it.
void quantise_palette(cDIBSection& image, const QuantiseRequest& request, cPalette& palette);

}  // namespace zentrik::cli
