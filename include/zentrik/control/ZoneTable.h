// One value per zone slot: 64 layers by 64 zone numbers, both counted from 1, as the motion and
// colour zone tables and the detection states are indexed.
#pragma once

#include <array>
#include <cassert>

#include "zentrik/platform/automation.h"

namespace zentrik {

inline constexpr Integer kZoneLayers = 64;
inline constexpr Integer kZonesPerLayer = 64;

// True when (layer, zone) names a slot of the tables.
constexpr bool is_zone_slot(Long layer, Long zone) {
  return layer >= 1 && layer <= kZoneLayers && zone >= 1 && zone <= kZonesPerLayer;
}

template <typename T>
class ZoneTable {
 public:
  T& operator()(Integer layer, Integer zone) {
    assert(is_zone_slot(layer, zone));
    return values_[index(layer, zone)];
  }
  const T& operator()(Integer layer, Integer zone) const {
    assert(is_zone_slot(layer, zone));
    return values_[index(layer, zone)];
  }
  void fill(T value) { values_.fill(value); }

 private:
  static constexpr std::size_t index(Integer layer, Integer zone) {
    return static_cast<std::size_t>(layer - 1) * kZonesPerLayer +
           static_cast<std::size_t>(zone - 1);
  }
  std::array<T, static_cast<std::size_t>(kZoneLayers) * kZonesPerLayer> values_{};
};

}  // namespace zentrik
