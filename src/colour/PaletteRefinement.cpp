// Histogram-based palette work: every pass visits each distinct colour once and finds its entry
// through ClosestIndexMap, the exact nearest-entry search of ClosestIndex.
#include "zentrik/colour/PaletteRefinement.h"

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>
#include <unordered_set>

#include "ClosestIndexMap.h"

namespace zentrik {
namespace {

constexpr int kRadixBits = 12;  // two passes over 24-bit colours
constexpr std::uint32_t kRadixMask = (1u << kRadixBits) - 1;
// Each pass of complete_palette splits at most half the clusters, so a palette grows by half at
// the most a pass; the passes left after this many take the most frequent colours.
constexpr int kSplitPasses = 16;
// One trial of reseat_palette moves this share (1/kReseatShare) of the entries.
constexpr std::size_t kReseatShare = 16;

int channel(std::uint32_t colour, int which) {  // 0 blue, 1 green, 2 red
  return static_cast<int>((colour >> (8 * which)) & 0xFFu);
}

std::uint32_t key_of(const PaletteEntry& e) {
  return ClosestIndexMap::ColourOf(e.red, e.green, e.blue);
}

PaletteEntry entry_of(std::uint32_t colour) {
  return {static_cast<Byte>(channel(colour, 2)), static_cast<Byte>(channel(colour, 1)),
          static_cast<Byte>(channel(colour, 0)), 0};
}

// Per entry: pixels, channel sums and sums of squares, and the squared error.
struct Cluster {
  std::uint64_t count = 0;
  std::array<std::uint64_t, 3> sum{};
  std::array<std::uint64_t, 3> squares{};
  std::uint64_t error = 0;

  std::uint8_t mean(int which) const {
    return static_cast<std::uint8_t>((sum[which] + count / 2) / count);
  }
  double variance(int which) const {
    const double m = static_cast<double>(sum[which]) / static_cast<double>(count);
    return static_cast<double>(squares[which]) / static_cast<double>(count) - m * m;
  }
};

std::uint64_t squared_distance(std::uint32_t a, std::uint32_t b) {
  std::uint64_t total = 0;
  for (int c = 0; c < 3; ++c) {
    const std::int64_t d = channel(a, c) - channel(b, c);
    total += static_cast<std::uint64_t>(d * d);
  }
  return total;
}

// Assigns every colour to its entry; `owner` receives the entry of each histogram colour.
std::vector<Cluster> assign(std::span<const PaletteEntry> palette,
                            std::span<const ColourCount> histogram,
                            std::vector<std::uint32_t>& owner) {
  ClosestIndexMap map(palette);
  std::vector<Cluster> clusters(palette.size());
  owner.resize(histogram.size());
  for (std::size_t i = 0; i < histogram.size(); ++i) {
    const std::uint32_t colour = histogram[i].colour;
    const auto match =
        map.Nearest(static_cast<Byte>(channel(colour, 2)), static_cast<Byte>(channel(colour, 1)),
                    static_cast<Byte>(channel(colour, 0)));
    const auto index = static_cast<std::uint32_t>(match.index - 1);
    owner[i] = index;
    Cluster& cluster = clusters[index];
    const std::uint64_t n = histogram[i].count;
    cluster.count += n;
    for (int c = 0; c < 3; ++c) {
      const std::uint64_t v = static_cast<std::uint64_t>(channel(colour, c));
      cluster.sum[c] += n * v;
      cluster.squares[c] += n * v * v;
    }
    cluster.error += n * squared_distance(colour, match.colour);
  }
  return clusters;
}

// The histogram colours not in the palette, the worst served first (pixels x squared distance).
std::vector<std::uint32_t> worst_served(std::span<const ColourCount> histogram,
                                        std::span<const std::uint32_t> owner,
                                        std::span<const PaletteEntry> palette, std::size_t most) {
  std::vector<std::pair<std::uint64_t, std::uint32_t>> cost;
  cost.reserve(histogram.size());
  for (std::size_t i = 0; i < histogram.size(); ++i) {
    const std::uint64_t d = squared_distance(histogram[i].colour, key_of(palette[owner[i]]));
    if (d > 0) cost.emplace_back(d * histogram[i].count, histogram[i].colour);
  }
  most = std::min(most, cost.size());
  std::partial_sort(cost.begin(), cost.begin() + static_cast<std::ptrdiff_t>(most), cost.end(),
                    [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<std::uint32_t> colours(most);
  for (std::size_t i = 0; i < most; ++i) colours[i] = cost[i].second;
  return colours;
}

}  // namespace

std::vector<ColourCount> colour_histogram(ConstByteView bits, Long width, Long height) {
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  // Left uninitialised: every key is written before it is read.
  auto keys = std::make_unique_for_overwrite<std::uint32_t[]>(pixels);
  auto sorted = std::make_unique_for_overwrite<std::uint32_t[]>(pixels);
  std::size_t at = 0;
  for (Long y = 0; y < height; ++y) {
    const std::uint8_t* in = bits.row(y).data();
    for (Long x = 0; x < width; ++x, in += 3)
      keys[at++] = in[0] | (std::uint32_t{in[1]} << 8) | (std::uint32_t{in[2]} << 16);
  }
  for (int shift = 0; shift < 24; shift += kRadixBits) {  // least significant digit first
    std::vector<std::size_t> start(kRadixMask + 2, 0);
    for (std::size_t i = 0; i < pixels; ++i) ++start[((keys[i] >> shift) & kRadixMask) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    for (std::size_t i = 0; i < pixels; ++i)
      sorted[start[(keys[i] >> shift) & kRadixMask]++] = keys[i];
    keys.swap(sorted);
  }
  std::vector<ColourCount> histogram;
  for (std::size_t i = 0; i < pixels;) {
    std::size_t j = i;
    while (j < pixels && keys[j] == keys[i]) ++j;
    histogram.push_back({keys[i], static_cast<std::uint32_t>(j - i)});
    i = j;
  }
  return histogram;
}

int occupied_root_octants(std::span<const ColourCount> histogram) {
  std::array<bool, 8> seen{};
  for (const ColourCount& c : histogram)
    seen[(channel(c.colour, 2) > 128 ? 1 : 0) + (channel(c.colour, 1) > 128 ? 2 : 0) +
         (channel(c.colour, 0) > 128 ? 4 : 0)] = true;
  return static_cast<int>(std::count(seen.begin(), seen.end(), true));
}

void complete_palette(std::vector<PaletteEntry>& palette, std::span<const ColourCount> histogram,
                      std::size_t count) {
  count = std::min(count, histogram.size());
  std::unordered_set<std::uint32_t> present;
  for (const PaletteEntry& e : palette) present.insert(key_of(e));
  const auto add = [&](std::uint32_t colour) {
    if (palette.size() < count && present.insert(colour).second)
      palette.push_back(entry_of(colour));
  };
  std::vector<std::uint32_t> owner;
  for (int pass = 0; pass < kSplitPasses && present.size() < count && !palette.empty(); ++pass) {
    const std::vector<Cluster> clusters = assign(palette, histogram, owner);
    // The clusters with the largest error (at most half of them) each give the mean of their
    // upper half along their widest channel.
    std::vector<std::size_t> order(clusters.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return clusters[a].error > clusters[b].error; });
    order.resize(std::min(order.size(), count - present.size()));
    order.resize(std::min(order.size(), std::max<std::size_t>(1, palette.size() / 2)));
    std::vector<int> widest(clusters.size(), -1);
    for (std::size_t index : order) {
      if (clusters[index].error == 0) continue;
      int best = 0;
      for (int c = 1; c < 3; ++c)
        if (clusters[index].variance(c) > clusters[index].variance(best)) best = c;
      widest[index] = best;
    }
    std::vector<Cluster> upper(clusters.size());
    for (std::size_t i = 0; i < histogram.size(); ++i) {
      const std::uint32_t index = owner[i];
      if (widest[index] < 0) continue;
      const int c = widest[index];
      if (channel(histogram[i].colour, c) <= clusters[index].mean(c)) continue;
      Cluster& half = upper[index];
      half.count += histogram[i].count;
      for (int k = 0; k < 3; ++k)
        half.sum[k] += std::uint64_t{histogram[i].count} *
                       static_cast<std::uint64_t>(channel(histogram[i].colour, k));
    }
    for (std::size_t index : order)
      if (upper[index].count > 0)
        add(upper[index].mean(0) | (std::uint32_t{upper[index].mean(1)} << 8) |
            (std::uint32_t{upper[index].mean(2)} << 16));
  }
  if (present.size() < count) {  // the most frequent colours still missing
    std::vector<ColourCount> frequent(histogram.begin(), histogram.end());
    std::sort(frequent.begin(), frequent.end(),
              [](const ColourCount& a, const ColourCount& b) { return a.count > b.count; });
    for (const ColourCount& c : frequent) {
      if (present.size() >= count) break;
      add(c.colour);
    }
  }
}

void keep_most_used(std::vector<PaletteEntry>& palette, std::span<const ColourCount> histogram,
                    std::size_t count) {
  if (palette.size() <= count) return;
  std::vector<std::uint32_t> owner;
  const std::vector<Cluster> clusters = assign(palette, histogram, owner);
  std::vector<std::size_t> order(palette.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return clusters[a].count > clusters[b].count;
  });
  order.resize(count);
  std::sort(order.begin(), order.end());
  std::vector<PaletteEntry> kept;
  for (std::size_t index : order) kept.push_back(palette[index]);
  palette.swap(kept);
}

void refine_palette(std::vector<PaletteEntry>& palette, std::span<const ColourCount> histogram,
                    int rounds) {
  std::vector<std::uint32_t> owner;
  for (int round = 0; round < rounds && !palette.empty(); ++round) {
    const std::vector<Cluster> clusters = assign(palette, histogram, owner);
    std::vector<PaletteEntry> next(palette.size());
    std::unordered_set<std::uint32_t> present;
    std::vector<std::size_t> vacant;
    for (std::size_t i = 0; i < palette.size(); ++i) {
      next[i] = clusters[i].count == 0 ? palette[i]
                                       : PaletteEntry{clusters[i].mean(2), clusters[i].mean(1),
                                                      clusters[i].mean(0), 0};
      if (clusters[i].count == 0 || !present.insert(key_of(next[i])).second) vacant.push_back(i);
    }
    if (!vacant.empty()) {
      std::size_t taken = 0;
      for (std::uint32_t colour : worst_served(histogram, owner, palette, 4 * vacant.size() + 16)) {
        if (taken == vacant.size()) break;
        if (present.insert(colour).second) next[vacant[taken++]] = entry_of(colour);
      }
    }
    const bool moved = next != palette;
    palette.swap(next);
    if (!moved) break;
  }
}

void reseat_palette(std::vector<PaletteEntry>& palette, std::span<const ColourCount> histogram,
                    int trials, int rounds) {
  const std::size_t count = palette.size();
  if (count < 4) return;
  std::uint64_t best = squared_error(palette, histogram);
  std::vector<std::uint32_t> owner;
  for (int trial = 0; trial < trials; ++trial) {
    const std::vector<Cluster> clusters = assign(palette, histogram, owner);
    // What merging each entry into its nearest other entry would cost (Ward's measure).
    std::vector<std::pair<double, std::size_t>> cost(count);
    for (std::size_t i = 0; i < count; ++i) {
      std::uint64_t nearest = ~std::uint64_t{0};
      std::size_t partner = i;
      for (std::size_t j = 0; j < count; ++j) {
        const std::uint64_t d = squared_distance(key_of(palette[i]), key_of(palette[j]));
        if (j != i && d < nearest) nearest = d, partner = j;
      }
      const double a = static_cast<double>(clusters[i].count);
      const double b = static_cast<double>(clusters[partner].count);
      cost[i] = {a + b > 0 ? a * b / (a + b) * static_cast<double>(nearest) : 0.0, i};
    }
    const std::size_t moved = std::max<std::size_t>(1, count / kReseatShare);
    std::partial_sort(cost.begin(), cost.begin() + static_cast<std::ptrdiff_t>(moved), cost.end());
    std::vector<bool> dropped(count, false);
    for (std::size_t k = 0; k < moved; ++k) dropped[cost[k].second] = true;
    std::vector<PaletteEntry> trial_palette;
    for (std::size_t i = 0; i < count; ++i)
      if (!dropped[i]) trial_palette.push_back(palette[i]);
    complete_palette(trial_palette, histogram, count);
    refine_palette(trial_palette, histogram, rounds);
    const std::uint64_t error = squared_error(trial_palette, histogram);
    if (error >= best || trial_palette.size() != count) continue;
    best = error;
    palette.swap(trial_palette);
  }
}

std::uint64_t squared_error(std::span<const PaletteEntry> palette,
                            std::span<const ColourCount> histogram) {
  std::vector<std::uint32_t> owner;
  std::uint64_t total = 0;
  for (const Cluster& cluster : assign(palette, histogram, owner)) total += cluster.error;
  return total;
}

}  // namespace zentrik
