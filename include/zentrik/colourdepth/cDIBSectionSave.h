// cDIBSectionSave: converts a 24-bit buffer in place to 16 or 256 colours by drawing it into a
// 4-bit or 8-bit DIB section that carries a colour table and copying the result back.
//
// The colour tables persist inside the object from call to call: entries a call does not
// overwrite keep what an earlier call put there (black in a new object).
#pragma once

#include <memory>
#include <string>

#include "zentrik/platform/automation.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {

class cDIBSection;
class cPalette;
class cColourReduceDIB;

class cDIBSectionSave {
 public:
  cDIBSectionSave();
  ~cDIBSectionSave();
  cDIBSectionSave(const cDIBSectionSave&) = delete;
  cDIBSectionSave& operator=(const cDIBSectionSave&) = delete;

  // Converts cDib in place: eOutputColourDepth 1 = the 16 standard colours, 2 = the colours of
  // cPal (the halftone palette when cPal is null); any other depth converts nothing.
  // eColourReductionMethod 0 converts plainly; 1 first reduces the image with error diffusion to
  // cPal (the depth's standard palette when null); 2 first rebuilds the palette (the 16 colours,
  // or an optimal palette of 236 colours from the image, into cPal when given) and reduces to
  // it, with error diffusion at depth 1. The reduced copy then replaces the image through the
  // paletted section. sFileName is not used. The result is always False.
  Boolean Save(const std::string& sFileName, cDIBSection& cDib, cPalette* cPal,
               Long eOutputColourDepth, Long eColourReductionMethod);

  const BitmapInfoN<16>& info16() const { return info16_; }
  const BitmapInfoN<256>& info256() const { return info256_; }
  Boolean writeBack() const { return writeBack_; }
  // The last Save drew the image through its paletted section (false when it returned early:
  // a depth it does not convert, or a section or device context it could not make).
  bool converted() const { return converted_; }

 private:
  // Each makes the paletted section of the running call; 0 when it cannot be made.
  HBITMAP BuildDib16(Long width, Long height);
  HBITMAP BuildDib256(Long width, Long height, const cPalette* palette);
  // The pre-reduction modes: reduces cDib into workImage with the palette of the mode; the
  // palette to convert through goes to `palette`. False when workImage cannot be made.
  bool PreReduce(cDIBSection& cDib, cPalette* cPal, Long depth, Long method, cPalette& own,
                 cPalette*& palette);

  BitmapInfoN<16> info16_{};
  BitmapInfoN<256> info256_{};
  std::unique_ptr<cDIBSection> workImage_;
  std::unique_ptr<cColourReduceDIB> reducer_;
  Boolean writeBack_ = vbFalse;
  bool converted_ = false;
};

}  // namespace zentrik
