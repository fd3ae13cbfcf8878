// cPalette: an ordered list of colours (entries numbered from 1) with nearest-colour search, the
// standard palettes, an octree quantiser for an optimal palette, and palette files.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "zentrik/colour/ProgressEvents.h"
#include "zentrik/platform/automation.h"
#include "zentrik/platform/variant.h"

namespace zentrik {

class cDIBSection;

// One entry, exactly as the raw palette block stores it: red, green, blue, reserved.
struct PaletteEntry {
  Byte red = 0;
  Byte green = 0;
  Byte blue = 0;
  Byte reserved = 0;
  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
static_assert(sizeof(PaletteEntry) == 4);

class cPalette : public ProgressSource {
 public:
  void Add(Long Red, Long Green, Long Blue);
  Long ClosestIndex(Long Red, Long Green, Long Blue) const;  // 0 = none chosen
  Long Count() const { return static_cast<Long>(entries_.size()); }
  Byte Red(const Variant& iIndex) const;
  Byte Green(const Variant& iIndex) const;
  Byte Blue(const Variant& iIndex) const;
  void CreateWebSafe();
  void CreateHalfTone();
  void CreateMono();
  void Create16Colour();
  void CreateOptimal(cDIBSection& cDib, Long PalSize, Byte nLevels);
  void EraseNodes();
  void Clear();
  Boolean Load(const std::string& sFileName, Long& lPosition);
  Boolean Save(const std::string& sFileName, Long lPosition);
  Boolean SaveToJASCFile(const std::string& sFileName);
  Boolean LoadFromJASCFile(const std::string& sFileName);

  // The entries in palette order (entry 1 first), as the raw block lays them out.
  const std::vector<PaletteEntry>& entries() const { return entries_; }

 private:
  std::vector<PaletteEntry> entries_;
  // Octree working state: see the implementation.
};

}  // namespace zentrik
