// Building the candidate grid: distance bounds between entries and cells, then pruning of
// candidates that another entry beats everywhere in the cell.
#include "candidate_grid.h"

#include <algorithm>
#include <array>
#include <climits>

namespace zentrik {
namespace {

constexpr int kAxisCells = 1 << CandidateGrid::kAxisBits;
constexpr int kCellSize = 1 << CandidateGrid::kCellShift;
constexpr std::size_t kMaxEntries = 256;

struct Entry {
  int red;
  int green;
  int blue;
  std::uint32_t index;
};

constexpr std::uint32_t pack_candidate(const Entry& e) {
  return static_cast<std::uint32_t>(e.blue) | (static_cast<std::uint32_t>(e.green) << 8) |
         (static_cast<std::uint32_t>(e.red) << 16) | (e.index << 24);
}

// The distinct colours of a table, each with the lowest index that holds it, in index order:
// a repeated colour can never win against its first occurrence.
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

// Squared distances along one channel from each entry to the nearest and farthest level of each
// cell: [cell * n + entry].
struct AxisBounds {
  std::vector<int> nearest;
  std::vector<int> farthest;
};

AxisBounds axis_bounds(const std::vector<Entry>& entries, int Entry::*channel) {
  const std::size_t n = entries.size();
  AxisBounds bounds{std::vector<int>(kAxisCells * n), std::vector<int>(kAxisCells * n)};
  for (int c = 0; c < kAxisCells; ++c) {
    const int lo = c * kCellSize;
    const int hi = lo + kCellSize - 1;
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

// The part of d(f, p) - d(e, p) that one channel adds, at the end of [lo, hi] where it is
// largest (the difference is linear in p).
int worst_difference(int f, int e, int lo, int hi) {
  const int p = f > e ? lo : hi;
  return (p - f) * (p - f) - (p - e) * (p - e);
}

// True when `f` beats `e` at every colour of the cell: nearer, or as near with a lower index.
bool dominates(const Entry& f, const Entry& e, const std::array<int, 3>& lo) {
  const int worst = worst_difference(f.red, e.red, lo[0], lo[0] + kCellSize - 1) +
                    worst_difference(f.green, e.green, lo[1], lo[1] + kCellSize - 1) +
                    worst_difference(f.blue, e.blue, lo[2], lo[2] + kCellSize - 1);
  return worst < 0 || (worst == 0 && f.index < e.index);
}

void prune(const std::vector<Entry>& entries, const std::vector<std::uint32_t>& list,
           std::vector<std::uint32_t>& kept, const std::array<int, 3>& lo) {
  kept.clear();
  for (std::uint32_t e : list) {
    const bool beaten = std::any_of(list.begin(), list.end(), [&](std::uint32_t f) {
      return f != e && dominates(entries[f], entries[e], lo);
    });
    if (!beaten) kept.push_back(e);
  }
}

}  // namespace

CandidateGrid build_candidate_grid(std::span<const RgbQuad> table) {
  CandidateGrid grid;
  const std::vector<Entry> entries = distinct_entries(table);
  if (entries.size() <= 1) {
    grid.cells.assign(CandidateGrid::kCellCount,
                      CandidateGrid::kSingle | (entries.empty() ? 0u : entries[0].index));
    return grid;
  }
  const std::size_t n = entries.size();
  const AxisBounds red = axis_bounds(entries, &Entry::red);
  const AxisBounds green = axis_bounds(entries, &Entry::green);
  const AxisBounds blue = axis_bounds(entries, &Entry::blue);
  grid.cells.resize(CandidateGrid::kCellCount);
  std::vector<std::uint32_t> list, kept;
  list.reserve(n);
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
        // An entry whose nearest point of the cell is farther than some entry's farthest point
        // loses everywhere in the cell.
        int bound = INT_MAX;
        for (std::size_t e = 0; e < n; ++e) bound = std::min(bound, rFar[e] + gFar[e] + bFar[e]);
        list.clear();
        for (std::size_t e = 0; e < n; ++e) {
          if (rNear[e] + gNear[e] + bNear[e] <= bound) list.push_back(static_cast<uint32_t>(e));
        }
        prune(entries, list, kept, {rc * kCellSize, gc * kCellSize, bc * kCellSize});
        std::uint32_t& cell =
            grid.cells[CandidateGrid::cell_of(rc * kCellSize, gc * kCellSize, bc * kCellSize)];
        if (kept.size() == 1) {
          cell = CandidateGrid::kSingle | entries[kept[0]].index;
          continue;
        }
        cell = static_cast<std::uint32_t>(grid.lists.size());
        grid.lists.push_back(static_cast<std::uint32_t>(kept.size()));
        for (std::uint32_t e : kept) grid.lists.push_back(pack_candidate(entries[e]));
      }
    }
  }
  return grid;
}

Byte scan_candidates(const std::uint32_t* list, int red, int green, int blue) {
  // Distance and index in one key: the smallest key is the nearest entry with the lowest index.
  std::uint32_t best = UINT32_MAX;
  for (std::uint32_t k = 1; k <= list[0]; ++k) {
    const std::uint32_t c = list[k];
    const int db = blue - static_cast<int>(c & 0xFF);
    const int dg = green - static_cast<int>((c >> 8) & 0xFF);
    const int dr = red - static_cast<int>((c >> 16) & 0xFF);
    const auto d = static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
    best = std::min(best, (d << 8) | (c >> 24));
  }
  return static_cast<Byte>(best);
}

}  // namespace zentrik
