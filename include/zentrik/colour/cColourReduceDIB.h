// cColourReduceDIB: reduces a 24-bit image in place to grey, to black and white with error
// diffusion, or to the colours of a palette, column by column, with progress events.
#pragma once

#include "zentrik/colour/ProgressEvents.h"
#include "zentrik/platform/automation.h"

namespace zentrik {

class cDIBSection;
class cPalette;

class cColourReduceDIB : public ProgressSource {
 public:
  void BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo);
  void ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, cPalette& cPal, Boolean bDiffuseError);
  void GrayScale(cDIBSection& cTo);
};

}  // namespace zentrik
