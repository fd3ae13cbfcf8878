// cPalette: an ordered list of colours (entries numbered from 1) with nearest-colour search, the
// standard palettes, an octree quantiser for an optimal palette, and palette files.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "zentrik/colour/PaletteEntry.h"
#include "zentrik/colour/ProgressEvents.h"
#include "zentrik/platform/automation.h"
#include "zentrik/platform/byte_view.h"
#include "zentrik/platform/variant.h"

namespace zentrik {

class cDIBSection;
class ColourOctree;

class cPalette : public ProgressSource {
 public:
  cPalette();
  ~cPalette();
  cPalette(const cPalette& other);
  cPalette& operator=(const cPalette& other);

  void Add(Long Red, Long Green, Long Blue);
  Long ClosestIndex(Long Red, Long Green, Long Blue) const;  // 0 = none chosen
  Long Count() const { return static_cast<Long>(entries_.size()); }
  // Components of entry iIndex (1 to Count); error 9 outside that range, the Variant's own
  // conversion error for a value that is not a number.
  Byte Red(const Variant& iIndex) const;
  Byte Green(const Variant& iIndex) const;
  Byte Blue(const Variant& iIndex) const;
  void CreateWebSafe();
  void CreateHalfTone();
  void CreateMono();
  void Create16Colour();
  // Octree palette of at most PalSize colours; nLevels 1 to 8, error 5 otherwise (palette kept).
  void CreateOptimal(cDIBSection& cDib, Long PalSize, Byte nLevels);
  // The same over 24-bit pixels (blue, green, red) laid out as a byte view of lHeight rows.
  void CreateOptimal(ConstByteView bits, Long lWidth, Long lHeight, Long PalSize, Byte nLevels);
  void EraseNodes();
  void Clear();
  Boolean Load(const std::string& sFileName, Long& lPosition);
  Boolean Save(const std::string& sFileName, Long lPosition);
  Boolean SaveToJASCFile(const std::string& sFileName);
  Boolean LoadFromJASCFile(const std::string& sFileName);

  // The entries in palette order (entry 1 first), as the raw block lays them out.
  const std::vector<PaletteEntry>& entries() const { return entries_; }
  // The octree left by the last CreateOptimal (empty before it and after EraseNodes); its
  // definition is internal to the colour library.
  const ColourOctree& octree() const { return *octree_; }

 private:
  void SetDarkColours(Long first);
  void SetBrightColours(Long first);
  void ResetTo(Long count);  // Count entries of (0, 0, 0, 0)
  const PaletteEntry& EntryAt(const Variant& iIndex) const;
  void ReportReduceFailure();
  void BuildOptimal(ConstByteView bits, Long lWidth, Long lHeight, Long PalSize, Byte nLevels,
                    const std::function<void()>& checkImage);

  std::vector<PaletteEntry> entries_;
  std::unique_ptr<ColourOctree> octree_;  // never null
};

}  // namespace zentrik
