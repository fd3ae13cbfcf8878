// Exact nearest-colour mapping for paletted blits: for a colour table, the index of the entry at
// the smallest squared RGB distance, the lowest index on ties. Built once per table, reused.
//
// The map divides the colour cube into cells of 8 x 8 x 8 colours and keeps, per cell, either the
// one entry that wins everywhere in it or the short list of entries that can win somewhere in it;
// the first colour that falls in a cell with a list fills that cell's 512 exact answers (up to a
// budget of cells; past it, lists are scanned in index order). Lookups may run on several threads
// at once. Tables of more than 256 entries use their first 256; an empty table maps everything
// to 0.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "zentrik/platform/gdi.h"

namespace zentrik {

class NearestColourMap {
 public:
  explicit NearestColourMap(std::span<const RgbQuad> table);
  ~NearestColourMap();
  NearestColourMap(NearestColourMap&&) noexcept;
  NearestColourMap& operator=(NearestColourMap&&) noexcept;

  Byte nearest(Byte red, Byte green, Byte blue) const;
  std::span<const RgbQuad> table() const;

  // Maps pixels laid out blue, green, red, `bytesPerPixel` (3 or 4) bytes apart, into one index
  // per pixel: indices.size() pixels are read from the start of `pixels`.
  void map_pixels(std::span<const Byte> pixels, std::size_t bytesPerPixel,
                  std::span<Byte> indices) const;

  // The same map for the same table, built at most once per distinct table and kept.
  static const NearestColourMap& for_table(std::span<const RgbQuad> table);
  // As for_table, for holders that keep the map only as long as they need it: the cache keeps a
  // bounded number of maps that nobody else holds.
  static std::shared_ptr<const NearestColourMap> shared_for_table(std::span<const RgbQuad> table);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The plain definition: a linear scan, for tests and benchmarks.
Byte nearest_colour_reference(std::span<const RgbQuad> table, Byte red, Byte green, Byte blue);

}  // namespace zentrik
