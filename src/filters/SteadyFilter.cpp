// The steady filter: a light offset measured as the median difference against the picture held,
// per-pixel hysteresis against that picture (as it comes or with the offset taken off, whichever
// is closer: things that give light of their own, or are saturated, do not follow the light),
// and lone moved points left out. What passes is taken into the light of the picture held.
#include "SteadyFilter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zentrik {
namespace {

constexpr std::size_t kBytes = static_cast<std::size_t>(kFrameStride) * kFrameHeight;
constexpr Long kMaskWidth = kFrameWidth + 2;
constexpr Long kMaskHeight = kFrameHeight + 2;
// The light is measured on every second pixel of every second row: 19,200 points are plenty
// for a median and cost a quarter.
constexpr Long kLightStep = 2;

// The median of differences -255..255 counted in `histogram` (index difference + 255).
int median(const std::array<std::uint32_t, 511>& histogram, std::uint32_t total) {
  std::uint32_t seen = 0;
  for (int i = 0; i < 511; ++i) {
    seen += histogram[static_cast<std::size_t>(i)];
    if (2 * seen > total) return i - 255;
  }
  return 0;
}

}  // namespace

SteadyFilter::SteadyFilter(SteadySettings settings)
    : settings_(settings),
      held_(kBytes),
      moved_(static_cast<std::size_t>(kMaskWidth) * kMaskHeight) {}

void SteadyFilter::apply(Frame& frame) {
  std::uint8_t* pixels = frame.pixels;
  if (!primed_) {
    std::memcpy(held_.data(), pixels, kBytes);
    offset_ = {};
    primed_ = true;
    return;
  }
  measure_light(pixels);
  const int largest = std::max({std::abs(offset_[0]), std::abs(offset_[1]), std::abs(offset_[2])});
  if (largest > settings_.light) {
    // Too big a change of light to hold back: the whole new picture at once, in one frame.
    std::memcpy(held_.data(), pixels, kBytes);
    offset_ = {};
    return;
  }
  mark_changes(pixels);
  pass_changes(pixels);
  std::memcpy(pixels, held_.data(), kBytes);
}

void SteadyFilter::measure_light(const std::uint8_t* in) {
  std::array<std::array<std::uint32_t, 511>, 3> histogram{};
  std::uint32_t total = 0;
  for (Long y = 0; y < kFrameHeight; y += kLightStep) {
    const std::size_t row = static_cast<std::size_t>(y) * kFrameStride;
    for (Long x = 0; x < kFrameWidth; x += kLightStep) {
      const std::size_t at = row + static_cast<std::size_t>(x) * 3;
      for (std::size_t c = 0; c < 3; ++c) {
        ++histogram[c][static_cast<std::size_t>(in[at + c] - held_[at + c] + 255)];
      }
      ++total;
    }
  }
  for (std::size_t c = 0; c < 3; ++c) offset_[c] = median(histogram[c], total);
}

void SteadyFilter::mark_changes(const std::uint8_t* in) {
  const int tolerance = settings_.tolerance;
  for (Long y = 0; y < kFrameHeight; ++y) {
    const std::uint8_t* now = in + static_cast<std::size_t>(y) * kFrameStride;
    const std::uint8_t* held = held_.data() + static_cast<std::size_t>(y) * kFrameStride;
    std::uint8_t* moved = moved_.data() + static_cast<std::size_t>(y + 1) * kMaskWidth + 1;
    for (Long x = 0; x < kFrameWidth; ++x) {
      int raw = 0;
      int lit = 0;
      for (std::size_t c = 0; c < 3; ++c) {
        const int difference = now[c] - held[c];
        raw = std::max(raw, std::abs(difference));
        lit = std::max(lit, std::abs(difference - offset_[c]));
      }
      moved[x] = std::min(raw, lit) > tolerance ? 1 : 0;
      now += 3;
      held += 3;
    }
  }
}

void SteadyFilter::pass_changes(const std::uint8_t* in) {
  const int needed = settings_.neighbours;
  for (Long y = 0; y < kFrameHeight; ++y) {
    const std::uint8_t* above = moved_.data() + static_cast<std::size_t>(y) * kMaskWidth + 1;
    const std::uint8_t* here = above + kMaskWidth;
    const std::uint8_t* below = here + kMaskWidth;
    const std::size_t row = static_cast<std::size_t>(y) * kFrameStride;
    for (Long x = 0; x < kFrameWidth; ++x) {
      if (!here[x]) continue;
      const int around = above[x - 1] + above[x] + above[x + 1] + here[x - 1] + here[x + 1] +
                         below[x - 1] + below[x] + below[x + 1];
      if (around < needed) continue;
      // In the light of the picture held, so that it stays one picture: a part passed in
      // another light would stand out once the light changes back.
      const std::size_t at = row + static_cast<std::size_t>(x) * 3;
      for (std::size_t c = 0; c < 3; ++c) {
        held_[at + c] = static_cast<std::uint8_t>(std::clamp(in[at + c] - offset_[c], 0, 255));
      }
    }
  }
}

}  // namespace zentrik
