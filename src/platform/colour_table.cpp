// Colour tables of paletted surfaces.
#include "colour_table.h"

#include <algorithm>

namespace zentrik {

ColourTable::ColourTable(std::span<const RgbQuad> entries)
    : entries_(entries.begin(), entries.begin() + std::min<std::size_t>(entries.size(), 256)) {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    packed_[i] = pack_pixel(entries_[i].rgbBlue, entries_[i].rgbGreen, entries_[i].rgbRed);
  }
}

const NearestColourMap& ColourTable::map() const {
  if (!map_) map_ = NearestColourMap::shared_for_table(entries_);
  return *map_;
}

bool ColourTable::same_colours(const ColourTable& other) const {
  return this == &other || packed_ == other.packed_;
}

}  // namespace zentrik
