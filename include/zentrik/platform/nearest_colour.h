// Exact nearest-colour mapping for paletted blits: for a colour table, the index of the entry at
// the smallest squared RGB distance, the lowest index on ties. Built once per table, reused.
#pragma once

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

  // The same map for the same table, built at most once per distinct table and kept.
  static const NearestColourMap& for_table(std::span<const RgbQuad> table);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The plain definition: a linear scan, for tests and benchmarks.
Byte nearest_colour_reference(std::span<const RgbQuad> table, Byte red, Byte green, Byte blue);

}  // namespace zentrik
