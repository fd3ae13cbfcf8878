// A paletted surface's colour table as the blit code uses it: the entries, their packed colours
// for reading indices, and the nearest-colour map for writing them (fetched once, on first use).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "nearest_colour.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {

// Pixels in flight between formats: blue in bits 0-7, green 8-15, red 16-23 (the byte order of a
// display pixel in memory).
using PackedPixel = std::uint32_t;

constexpr PackedPixel pack_pixel(Byte blue, Byte green, Byte red) {
  return static_cast<PackedPixel>(blue) | (static_cast<PackedPixel>(green) << 8) |
         (static_cast<PackedPixel>(red) << 16);
}

class ColourTable {
 public:
  explicit ColourTable(std::span<const RgbQuad> entries);

  std::span<const RgbQuad> entries() const { return entries_; }
  // The colour of every possible index; indices beyond the table read as black.
  const std::array<PackedPixel, 256>& packed() const { return packed_; }
  const NearestColourMap& map() const;
  bool same_colours(const ColourTable& other) const;

 private:
  std::vector<RgbQuad> entries_;
  std::array<PackedPixel, 256> packed_{};
  mutable std::shared_ptr<const NearestColourMap> map_;
};

}  // namespace zentrik
