// Nearest-colour maps: answers per colour through the candidate grid, with cells that hold more
// than one candidate refined into a table of exact answers the first time a colour falls in
// them, and the cache of maps per table.
#include "nearest_colour.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "candidate_grid.h"

namespace zentrik {
namespace {

constexpr std::size_t kMaxEntries = 256;
constexpr std::size_t kCacheLimit = 16;  // maps kept that nobody else holds

// A cell's state: the offset of its 512 answers (one per position in the cell), or kScan with
// the offset of its candidate list while it is answered by scanning. The answers start with a
// block per index that holds only that index, shared by all cells with that one winner.
constexpr std::uint32_t kScan = 0x8000'0000u;
constexpr std::uint32_t kOffsetMask = 0x7FFF'FFFFu;
constexpr std::size_t kCellAnswers = std::size_t{1} << (3 * CandidateGrid::kCellShift);
constexpr std::size_t kUniformAnswers = 256 * kCellAnswers;
// Refined cells per map at most (4 MiB of answers); later cells keep scanning their list. The
// answers are reserved at once but only the pages of refined cells are ever touched.
constexpr std::size_t kMaxRefined = 8192;

struct KeyTables {
  std::array<std::uint32_t, 256> red, green, blue;
};

constexpr KeyTables make_key_tables() {
  KeyTables t{};
  for (int v = 0; v < 256; ++v) {
    t.red[v] = CandidateGrid::key_part(v, 2);
    t.green[v] = CandidateGrid::key_part(v, 1);
    t.blue[v] = CandidateGrid::key_part(v, 0);
  }
  return t;
}

constexpr KeyTables kKeys = make_key_tables();
static_assert((kKeys.red[200] | kKeys.green[13] | kKeys.blue[77]) ==
              (static_cast<std::uint32_t>(CandidateGrid::cell_of(200, 13, 77)) |
               (static_cast<std::uint32_t>(CandidateGrid::local_of(200, 13, 77)) << 16)));

}  // namespace

struct NearestColourMap::Impl {
  std::vector<RgbQuad> table;
  CandidateGrid grid;
  std::unique_ptr<std::atomic<std::uint32_t>[]> cells;
  std::unique_ptr<Byte[]> answers;
  std::size_t refined = 0;
  std::atomic<bool> full{false};
  std::mutex refining;

  explicit Impl(std::span<const RgbQuad> colours)
      : table(colours.begin(), colours.end()), grid(build_candidate_grid(colours)) {
    cells = std::make_unique<std::atomic<std::uint32_t>[]>(CandidateGrid::kCellCount);
    bool anyList = false;
    std::array<bool, 256> winners{};
    for (int c = 0; c < CandidateGrid::kCellCount; ++c) {
      const std::uint32_t g = grid.cells[c];
      const bool single = (g & CandidateGrid::kSingle) != 0;
      anyList = anyList || !single;
      if (single) winners[g & 0xFF] = true;
      cells[c].store(single ? (g & 0xFF) * kCellAnswers : kScan | g, std::memory_order_relaxed);
    }
    const std::size_t size = kUniformAnswers + (anyList ? kMaxRefined * kCellAnswers : 0);
    answers = std::make_unique_for_overwrite<Byte[]>(size);
    for (std::size_t i = 0; i < 256; ++i) {
      if (winners[i]) std::memset(&answers[i * kCellAnswers], static_cast<int>(i), kCellAnswers);
    }
  }

  Byte lookup(int red, int green, int blue) {
    return answer(cells.get(), answers.get(), red, green, blue);
  }

  // The fast path, over raw pointers so that loops keep them in registers.
  Byte answer(const std::atomic<std::uint32_t>* cellStates, const Byte* cellAnswers, int red,
              int green, int blue) {
    const std::uint32_t key = kKeys.red[red] | kKeys.green[green] | kKeys.blue[blue];
    const auto cell = static_cast<int>(key & CandidateGrid::kKeyCellMask);
    const std::uint32_t state = cellStates[cell].load(std::memory_order_acquire);
    if (state & kScan) [[unlikely]] {
      return refine(cell, red, green, blue);
    }
    return cellAnswers[state + (key >> CandidateGrid::kKeyPositionShift)];
  }

  // The first colour in a cell with several candidates: fills the cell's answers (while the
  // budget lasts) and answers from them; past the budget, scans the list.
  [[gnu::noinline]] Byte refine(int cell, int red, int green, int blue) {
    if (!full.load(std::memory_order_relaxed)) {
      std::lock_guard lock(refining);
      std::uint32_t state = cells[cell].load(std::memory_order_relaxed);
      if ((state & kScan) && refined < kMaxRefined) {
        const std::size_t offset = kUniformAnswers + refined * kCellAnswers;
        fill_answers(cell, grid.lists.data() + (state & kOffsetMask), answers.get() + offset);
        ++refined;
        full.store(refined == kMaxRefined, std::memory_order_relaxed);
        state = static_cast<std::uint32_t>(offset);
        cells[cell].store(state, std::memory_order_release);
      }
      if (!(state & kScan)) {
        return answers[state + CandidateGrid::local_of(red, green, blue)];
      }
    }
    const std::uint32_t state = cells[cell].load(std::memory_order_acquire);
    if (!(state & kScan)) return lookup(red, green, blue);
    return scan_candidates(grid.lists.data() + (state & kOffsetMask), red, green, blue);
  }

  static void fill_answers(int cell, const std::uint32_t* list, Byte* out) {
    constexpr int kShift = CandidateGrid::kCellShift;
    constexpr int kBits = CandidateGrid::kAxisBits;
    constexpr int kSize = 1 << kShift;
    const int red0 = (cell >> (2 * kBits)) << kShift;
    const int green0 = ((cell >> kBits) & ((1 << kBits) - 1)) << kShift;
    const int blue0 = (cell & ((1 << kBits) - 1)) << kShift;
    for (int r = red0; r < red0 + kSize; ++r) {
      for (int g = green0; g < green0 + kSize; ++g) {
        for (int b = blue0; b < blue0 + kSize; ++b) {
          out[CandidateGrid::local_of(r, g, b)] = scan_candidates(list, r, g, b);
        }
      }
    }
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
  Impl& impl = *impl_;
  const std::atomic<std::uint32_t>* cells = impl.cells.get();
  const Byte* answers = impl.answers.get();
  const Byte* p = pixels.data();
  for (Byte& out : indices) {
    out = impl.answer(cells, answers, p[2], p[1], p[0]);
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
