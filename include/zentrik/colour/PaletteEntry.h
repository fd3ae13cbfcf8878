// One palette entry, laid out exactly as the raw palette block stores it: red, green, blue and a
// reserved byte that no colour operation uses.
#pragma once

#include "zentrik/platform/automation.h"

namespace zentrik {

struct PaletteEntry {
  Byte red = 0;
  Byte green = 0;
  Byte blue = 0;
  Byte reserved = 0;
  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
static_assert(sizeof(PaletteEntry) == 4);

}  // namespace zentrik
