// cColourReduceDIB: reduces a 24-bit image in place to grey, to black and white with error
// diffusion, or to the colours of a palette, column by column, with progress events.
#pragma once

#include "zentrik/colour/ProgressEvents.h"
#include "zentrik/platform/automation.h"

namespace zentrik {

class cDIBSection;
class cPalette;

// Raises error 5 before touching an image when the source is smaller than the target, an
// image's pixels cannot be addressed, or (ApplyPalette) the palette is empty; also when an event
// handler remakes an image or empties the palette while the method works on it.
class cColourReduceDIB : public ProgressSource {
 public:
  void BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo);
  void ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, cPalette& cPal, Boolean bDiffuseError);
  void GrayScale(cDIBSection& cTo);
};

}  // namespace zentrik
