// k-means and mapping through NearestColour; the k-means passes visit each distinct colour once.
#include "zentrik/colour/NearestMapping.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <unordered_set>

#include "NearestColour.h"

namespace zentrik {
namespace {

// Share of the error a diffusing pixel passes on in a flat area; the most it passes on per
// channel, or half the distance from its entry to the nearest other entry when that is more
// (sparse palettes need the whole error to show their tones); and the change around a pixel
// (summed over channels and both directions) that halves its share.
constexpr float kDiffusedShare = 0.8f;
constexpr float kDiffusedLimit = 24.0f;
constexpr float kEdge = 16.0f;
// k-means stops when a round gains less than error / kSettled.
constexpr std::uint64_t kSettled = 1000;

int channel(std::uint32_t colour, int which) {  // 0 blue, 1 green, 2 red
  return static_cast<int>((colour >> (8 * which)) & 0xFFu);
}

std::uint32_t key_of(const PaletteEntry& e) {
  return e.blue | (std::uint32_t{e.green} << 8) | (std::uint32_t{e.red} << 16);
}

struct Assignment {
  std::vector<std::uint32_t> owner;                // entry of each histogram colour
  std::vector<std::uint64_t> cost;                 // pixels x squared distance of each colour
  std::vector<std::array<std::uint64_t, 4>> sums;  // blue, green, red sums and pixels per entry
  std::uint64_t error = 0;
};

// Fills `a` (its buffers kept from round to round, as they are large).
void assign(std::span<const PaletteEntry> palette, std::span<const ColourCount> histogram,
            Assignment& a) {
  NearestColour nearest(palette);
  a.owner.resize(histogram.size());
  a.cost.resize(histogram.size());
  a.sums.assign(palette.size(), {});
  a.error = 0;
  for (std::size_t i = 0; i < histogram.size(); ++i) {
    const std::uint32_t colour = histogram[i].colour;
    const NearestColour::Match m =
        nearest.Nearest(channel(colour, 2), channel(colour, 1), channel(colour, 0));
    const std::uint64_t n = histogram[i].count;
    a.owner[i] = m.index;
    a.cost[i] = n * m.distance;
    a.error += a.cost[i];
    auto& s = a.sums[m.index];
    for (int c = 0; c < 3; ++c) s[c] += n * static_cast<std::uint64_t>(channel(colour, c));
    s[3] += n;
  }
}

// The next palette of k-means from an assignment.
std::vector<PaletteEntry> next_palette(std::span<const PaletteEntry> palette,
                                       std::span<const ColourCount> histogram,
                                       const Assignment& a) {
  std::vector<PaletteEntry> next(palette.begin(), palette.end());
  std::unordered_set<std::uint32_t> present;
  std::vector<std::size_t> vacant;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const auto& s = a.sums[i];
    if (s[3] > 0) {
      const auto mean = [&](int c) { return static_cast<Byte>((s[c] + s[3] / 2) / s[3]); };
      next[i] = {mean(2), mean(1), mean(0), 0};
    }
    if (s[3] == 0 || !present.insert(key_of(next[i])).second) vacant.push_back(i);
  }
  if (vacant.empty()) return next;
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < histogram.size(); ++i)
    if (a.cost[i] > 0) order.push_back(i);
  const std::size_t most = std::min(order.size(), 8 * vacant.size() + 16);
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(most), order.end(),
                    [&](std::size_t x, std::size_t y) { return a.cost[x] > a.cost[y]; });
  std::unordered_set<std::uint32_t> split;  // clusters that gave a colour already
  std::size_t taken = 0;
  for (std::size_t k = 0; k < most && taken < vacant.size(); ++k) {
    const std::uint32_t colour = histogram[order[k]].colour;
    if (split.count(a.owner[order[k]]) || !present.insert(colour).second) continue;
    split.insert(a.owner[order[k]]);
    next[vacant[taken++]] = {static_cast<Byte>(channel(colour, 2)),
                             static_cast<Byte>(channel(colour, 1)),
                             static_cast<Byte>(channel(colour, 0)), 0};
  }
  return next;
}

}  // namespace

std::uint64_t kmeans_nearest(std::vector<PaletteEntry>& palette,
                             std::span<const ColourCount> histogram, int rounds) {
  if (palette.empty() || histogram.empty()) return 0;
  std::vector<PaletteEntry> current = palette;
  std::uint64_t best = ~std::uint64_t{0};
  Assignment a;
  for (int round = 0; round <= rounds; ++round) {
    assign(current, histogram, a);
    const bool settled =
        best != ~std::uint64_t{0} && best - std::min(best, a.error) < a.error / kSettled;
    if (a.error < best) {
      best = a.error;
      palette = current;
    }
    if (settled || round == rounds) break;
    std::vector<PaletteEntry> next = next_palette(current, histogram, a);
    if (next == current) break;
    current.swap(next);
  }
  return best;
}

std::uint64_t nearest_squared_error(std::span<const PaletteEntry> palette,
                                    std::span<const ColourCount> histogram) {
  if (palette.empty()) return 0;
  Assignment a;
  assign(palette, histogram, a);
  return a.error;
}

namespace {

void map_plain(ByteView bits, Long width, Long height, std::span<const PaletteEntry> palette) {
  NearestColour nearest(palette);
  std::uint32_t last = ~std::uint32_t{0};
  const PaletteEntry* chosen = nullptr;
  for (Long y = 0; y < height; ++y) {
    std::uint8_t* p = bits.row(y).data();
    for (Long x = 0; x < width; ++x, p += 3) {
      const std::uint32_t colour = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
      if (colour != last) {
        chosen = &palette[nearest.Nearest(p[2], p[1], p[0]).index];
        last = colour;
      }
      p[0] = chosen->blue;
      p[1] = chosen->green;
      p[2] = chosen->red;
    }
  }
}

// The share of its error a pixel passes on: less where the picture itself changes fast, as its
// own detail hides banding there and diffused error would only add noise.
float share_at(const std::uint8_t* above, const std::uint8_t* here, const std::uint8_t* under,
               Long x, Long width) {
  const Long left = std::max<Long>(x - 1, 0), right = std::min<Long>(x + 1, width - 1);
  int change = 0;
  for (int c = 0; c < 3; ++c)
    change += std::abs(here[3 * right + c] - here[3 * left + c]) +
              std::abs(under[3 * x + c] - above[3 * x + c]);
  return kDiffusedShare / (1.0f + static_cast<float>(change) / kEdge);
}

// Rows of the picture as they were, for share_at: the one above, this one and the one below.
struct SourceRows {
  const std::uint8_t* above;
  const std::uint8_t* here;
  const std::uint8_t* under;
};

// One row of serpentine diffusion: `here` holds the error carried into this row, `below` gathers
// the next row's (both with one spare pixel at each end, three channels a pixel).
void diffuse_row(std::uint8_t* row, Long width, bool backwards, const SourceRows& source,
                 std::span<float> here, std::span<float> below, NearestColour& nearest,
                 std::span<const PaletteEntry> palette, std::span<const float> limits) {
  const Long step = backwards ? -1 : 1;
  for (Long i = 0; i < width; ++i) {
    const Long x = backwards ? width - 1 - i : i;
    std::uint8_t* p = row + 3 * x;
    float* e = here.data() + 3 * (x + 1);
    int want[3];
    for (int c = 0; c < 3; ++c)
      want[c] = std::clamp(static_cast<int>(std::lround(p[c] + e[c])), 0, 255);
    const std::uint32_t index = nearest.Nearest(want[2], want[1], want[0]).index;
    const PaletteEntry& chosen = palette[index];
    const int got[3] = {chosen.blue, chosen.green, chosen.red};
    const float limit = limits[index];
    const float share = share_at(source.above, source.here, source.under, x, width);
    for (int c = 0; c < 3; ++c) {
      const float error = std::clamp(
          (static_cast<float>(p[c]) + e[c] - static_cast<float>(got[c])) * share, -limit, limit);
      here[3 * (x + 1 + step) + c] += error * (7.0f / 16);
      below[3 * (x + 1 - step) + c] += error * (3.0f / 16);
      below[3 * (x + 1) + c] += error * (5.0f / 16);
      below[3 * (x + 1 + step) + c] += error * (1.0f / 16);
      p[c] = static_cast<std::uint8_t>(got[c]);
    }
  }
}

// The most error each entry passes on per channel (see kDiffusedLimit).
std::vector<float> error_limits(std::span<const PaletteEntry> palette) {
  std::vector<float> limits(palette.size(), kDiffusedLimit);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    int closest = 3 * 255 * 255;
    for (std::size_t j = 0; j < palette.size(); ++j) {
      const PaletteEntry& a = palette[i];
      const PaletteEntry& b = palette[j];
      const int d = (a.red - b.red) * (a.red - b.red) + (a.green - b.green) * (a.green - b.green) +
                    (a.blue - b.blue) * (a.blue - b.blue);
      if (j != i && d > 0) closest = std::min(closest, d);
    }
    limits[i] = std::max(kDiffusedLimit, 0.5f * std::sqrt(static_cast<float>(closest)));
  }
  return limits;
}

void map_diffused(ByteView bits, Long width, Long height, std::span<const PaletteEntry> palette) {
  NearestColour nearest(palette);
  const std::vector<float> limits = error_limits(palette);
  const std::size_t size = 3 * (static_cast<std::size_t>(width) + 2);
  std::vector<float> here(size, 0.0f), below(size, 0.0f);
  const std::size_t bytes = 3 * static_cast<std::size_t>(width);
  std::vector<std::uint8_t> above(bytes), current(bytes);
  for (Long y = 0; y < height; ++y) {
    std::uint8_t* row = bits.row(y).data();
    std::copy(row, row + bytes, current.begin());
    if (y == 0) above = current;
    const std::uint8_t* under = y + 1 < height ? bits.row(y + 1).data() : current.data();
    diffuse_row(row, width, y % 2 == 1, {above.data(), current.data(), under}, here, below, nearest,
                palette, limits);
    above.swap(current);
    here.swap(below);
    std::fill(below.begin(), below.end(), 0.0f);
  }
}

}  // namespace

void map_to_nearest(ByteView bits, Long width, Long height, std::span<const PaletteEntry> palette,
                    bool diffuse) {
  if (palette.empty()) return;
  if (diffuse) return map_diffused(bits, width, height, palette);
  map_plain(bits, width, height, palette);
}

}  // namespace zentrik
