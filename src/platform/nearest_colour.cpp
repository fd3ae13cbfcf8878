// Nearest-colour maps: the cell grid with its candidate lists, and the cache of maps per table.
#include "zentrik/platform/nearest_colour.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

namespace zentrik {
namespace {

constexpr int kCellShift = 3;                  // cells of 8 levels per channel
constexpr int kAxisCells = 256 >> kCellShift;  // 32 cells per channel
constexpr int kCellCount = kAxisCells * kAxisCells * kAxisCells;
constexpr std::uint32_t kDirect = 0x8000'0000u;  // cell answers with one index
constexpr std::size_t kMaxEntries = 256;
constexpr std::size_t kCacheLimit = 32;  // unpinned maps kept without other holders

struct Entry {
  int red;
  int green;
  int blue;
  std::uint32_t index;
};

// A candidate as the lookup scans it: blue | green << 8 | red << 16 | index << 24.
constexpr std::uint32_t pack_candidate(const Entry& e) {
  return static_cast<std::uint32_t>(e.blue) | (static_cast<std::uint32_t>(e.green) << 8) |
         (static_cast<std::uint32_t>(e.red) << 16) | (e.index << 24);
}

constexpr int cell_of(int red, int green, int blue) {
  return ((red >> kCellShift) << (2 * 5)) | ((green >> kCellShift) << 5) | (blue >> kCellShift);
}

// The part of d(f, p) - d(e, p) that one channel adds, at the end of [lo, hi] where it is largest.
int worst_difference(int f, int e, int lo, int hi) {
  const int p = f > e ? lo : hi;
  return (p - f) * (p - f) - (p - e) * (p - e);
}

// True when `f` beats `e` at every colour of the box: nearer, or as near with a lower index.
bool dominates(const Entry& f, const Entry& e, const std::array<int, 3>& lo,
               const std::array<int, 3>& hi) {
  const int worst = worst_difference(f.red, e.red, lo[0], hi[0]) +
                    worst_difference(f.green, e.green, lo[1], hi[1]) +
                    worst_difference(f.blue, e.blue, lo[2], hi[2]);
  return worst < 0 || (worst == 0 && f.index < e.index);
}

// The distinct colours of a table, each with the lowest index that holds it, in index order.
std::vector<Entry> distinct_entries(std::span<const RgbQuad> table) {
  std::vector<Entry> entries;
  const std::size_t count = std::min(table.size(), kMaxEntries);
  for (std::size_t i = 0; i < count; ++i) {
    const RgbQuad& q = table[i];
    const bool repeated = std::any_of(entries.begin(), entries.end(), [&q](const Entry& e) {
      return e.red == q.rgbRed && e.green == q.rgbGreen && e.blue == q.rgbBlue;
    });
    if (!repeated) {
      entries.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue, static_cast<std::uint32_t>(i)});
    }
  }
  return entries;
}

// Squared distance bounds from each entry to each cell along one channel: [cell * n + entry].
struct AxisBounds {
  std::vector<int> nearest;
  std::vector<int> farthest;
};

AxisBounds axis_bounds(const std::vector<Entry>& entries, int Entry::*channel) {
  const std::size_t n = entries.size();
  AxisBounds bounds{std::vector<int>(kAxisCells * n), std::vector<int>(kAxisCells * n)};
  for (int c = 0; c < kAxisCells; ++c) {
    const int lo = c << kCellShift;
    const int hi = lo + (1 << kCellShift) - 1;
    for (std::size_t e = 0; e < n; ++e) {
      const int v = entries[e].*channel;
      const int near = v < lo ? lo - v : v > hi ? v - hi : 0;
      const int far = std::max(v - lo, hi - v);
      bounds.nearest[c * n + e] = near * near;
      bounds.farthest[c * n + e] = far * far;
    }
  }
  return bounds;
}

}  // namespace

struct NearestColourMap::Impl {
  std::vector<RgbQuad> table;
  std::vector<std::uint32_t> cells;       // kDirect | index, or the offset of a candidate list
  std::vector<std::uint32_t> candidates;  // per list: the count, then the packed candidates

  explicit Impl(std::span<const RgbQuad> colours) : table(colours.begin(), colours.end()) {
    const std::vector<Entry> entries = distinct_entries(colours);
    if (entries.size() <= 1) {
      cells.assign(kCellCount, kDirect | (entries.empty() ? 0u : entries[0].index));
      return;
    }
    build(entries);
  }

  void build(const std::vector<Entry>& entries) {
    const std::size_t n = entries.size();
    const AxisBounds red = axis_bounds(entries, &Entry::red);
    const AxisBounds green = axis_bounds(entries, &Entry::green);
    const AxisBounds blue = axis_bounds(entries, &Entry::blue);
    cells.resize(kCellCount);
    std::vector<std::uint32_t> list;
    list.reserve(n);
    std::vector<std::uint32_t> kept;
    kept.reserve(n);
    for (int rc = 0; rc < kAxisCells; ++rc) {
      for (int gc = 0; gc < kAxisCells; ++gc) {
        for (int bc = 0; bc < kAxisCells; ++bc) {
          const int* rNear = &red.nearest[rc * n];
          const int* gNear = &green.nearest[gc * n];
          const int* bNear = &blue.nearest[bc * n];
          const int* rFar = &red.farthest[rc * n];
          const int* gFar = &green.farthest[gc * n];
          const int* bFar = &blue.farthest[bc * n];
          // No entry farther from the whole cell than the nearest entry's farthest point can win.
          int bound = INT_MAX;
          for (std::size_t e = 0; e < n; ++e) bound = std::min(bound, rFar[e] + gFar[e] + bFar[e]);
          list.clear();
          for (std::size_t e = 0; e < n; ++e) {
            if (rNear[e] + gNear[e] + bNear[e] <= bound) list.push_back(static_cast<uint32_t>(e));
          }
          prune(entries, list, kept, {rc << kCellShift, gc << kCellShift, bc << kCellShift});
          const int cell = (rc << 10) | (gc << 5) | bc;
          if (kept.size() == 1) {
            cells[cell] = kDirect | entries[kept[0]].index;
            continue;
          }
          cells[cell] = static_cast<std::uint32_t>(candidates.size());
          candidates.push_back(static_cast<std::uint32_t>(kept.size()));
          for (std::uint32_t e : kept) candidates.push_back(pack_candidate(entries[e]));
        }
      }
    }
  }

  // Drops every candidate that another one beats everywhere in the cell.
  static void prune(const std::vector<Entry>& entries, const std::vector<std::uint32_t>& list,
                    std::vector<std::uint32_t>& kept, const std::array<int, 3>& lo) {
    kept.clear();
    const std::array<int, 3> hi{lo[0] + (1 << kCellShift) - 1, lo[1] + (1 << kCellShift) - 1,
                                lo[2] + (1 << kCellShift) - 1};
    for (std::uint32_t e : list) {
      bool beaten = false;
      for (std::uint32_t f : list) {
        if (f != e && dominates(entries[f], entries[e], lo, hi)) {
          beaten = true;
          break;
        }
      }
      if (!beaten) kept.push_back(e);
    }
  }

  Byte lookup(int red, int green, int blue) const {
    const std::uint32_t cell = cells[cell_of(red, green, blue)];
    if (cell & kDirect) return static_cast<Byte>(cell);
    const std::uint32_t* list = candidates.data() + cell;
    const std::uint32_t count = list[0];
    int best = INT_MAX;
    std::uint32_t bestIndex = 0;
    for (std::uint32_t k = 1; k <= count; ++k) {
      const std::uint32_t c = list[k];
      const int db = blue - static_cast<int>(c & 0xFF);
      const int dg = green - static_cast<int>((c >> 8) & 0xFF);
      const int dr = red - static_cast<int>((c >> 16) & 0xFF);
      const int d = dr * dr + dg * dg + db * db;
      if (d < best) {
        best = d;
        bestIndex = c >> 24;
      }
    }
    return static_cast<Byte>(bestIndex);
  }
};

NearestColourMap::NearestColourMap(std::span<const RgbQuad> table)
    : impl_(std::make_unique<Impl>(table)) {}
NearestColourMap::~NearestColourMap() = default;
NearestColourMap::NearestColourMap(NearestColourMap&&) noexcept = default;
NearestColourMap& NearestColourMap::operator=(NearestColourMap&&) noexcept = default;

Byte NearestColourMap::nearest(Byte red, Byte green, Byte blue) const {
  return impl_->lookup(red, green, blue);
}

std::span<const RgbQuad> NearestColourMap::table() const {
  return impl_->table;
}

void NearestColourMap::map_pixels(std::span<const Byte> pixels, std::size_t bytesPerPixel,
                                  std::span<Byte> indices) const {
  const Impl& impl = *impl_;
  const Byte* p = pixels.data();
  for (Byte& out : indices) {
    out = impl.lookup(p[2], p[1], p[0]);
    p += bytesPerPixel;
  }
}

namespace {

struct MapCache {
  std::mutex mutex;
  std::unordered_map<std::string, std::shared_ptr<const NearestColourMap>> maps;
  std::vector<std::shared_ptr<const NearestColourMap>> pinned;  // handed out by reference
};

MapCache& map_cache() {
  static MapCache cache;
  return cache;
}

std::string table_key(std::span<const RgbQuad> table) {
  const std::size_t count = std::min(table.size(), kMaxEntries);
  std::string key(count * sizeof(RgbQuad), '\0');
  if (count != 0) std::memcpy(key.data(), table.data(), key.size());
  return key;
}

std::shared_ptr<const NearestColourMap> cached_map(MapCache& cache,
                                                   std::span<const RgbQuad> table) {
  std::string key = table_key(table);
  if (auto found = cache.maps.find(key); found != cache.maps.end()) return found->second;
  if (cache.maps.size() >= kCacheLimit) {
    std::erase_if(cache.maps, [](const auto& item) { return item.second.use_count() == 1; });
  }
  auto map = std::make_shared<const NearestColourMap>(table);
  cache.maps.emplace(std::move(key), map);
  return map;
}

}  // namespace

const NearestColourMap& NearestColourMap::for_table(std::span<const RgbQuad> table) {
  MapCache& cache = map_cache();
  std::lock_guard lock(cache.mutex);
  auto map = cached_map(cache, table);
  if (std::find(cache.pinned.begin(), cache.pinned.end(), map) == cache.pinned.end()) {
    cache.pinned.push_back(map);
  }
  return *map;
}

std::shared_ptr<const NearestColourMap> NearestColourMap::shared_for_table(
    std::span<const RgbQuad> table) {
  MapCache& cache = map_cache();
  std::lock_guard lock(cache.mutex);
  return cached_map(cache, table);
}

Byte nearest_colour_reference(std::span<const RgbQuad> table, Byte red, Byte green, Byte blue) {
  const std::size_t count = std::min(table.size(), kMaxEntries);
  int best = INT_MAX;
  std::size_t bestIndex = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int dr = red - table[i].rgbRed;
    const int dg = green - table[i].rgbGreen;
    const int db = blue - table[i].rgbBlue;
    const int d = dr * dr + dg * dg + db * db;
    if (d < best) {
      best = d;
      bestIndex = i;
    }
  }
  return static_cast<Byte>(bestIndex);
}

}  // namespace zentrik
