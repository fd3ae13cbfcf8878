// The virtual camera's scene: a seeded background computed once, exact-colour rectangles drawn
// over a copy of it per frame, and noise read from a seeded field at a per-frame start.
#include "zentrik/capture/VirtualScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

constexpr Long kCell = 40;  // background lattice spacing in pixels
constexpr Long kBaseLow = 88;
constexpr Long kBaseHigh = 176;
constexpr Long kLitLow = 72;
constexpr Long kLitHigh = 216;
constexpr std::size_t kFrameBytes = static_cast<std::size_t>(kFrameStride) * kFrameHeight;
// The noise field is a frame's worth of seeded offsets and this many more; each frame reads it
// from its own seeded start.
constexpr std::size_t kNoiseShifts = 65536;

// A 32-bit integer hash with good avalanche (a "lowbias32" finaliser).
constexpr std::uint32_t mix(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

constexpr std::uint32_t hash3(std::uint32_t seed, std::uint32_t a, std::uint32_t b) {
  return mix(seed ^ mix(a * 0x9E3779B1u ^ mix(b + 0x85EBCA77u)));
}

// Frame f's noise starts this many bytes into the noise field: an odd step per frame walks all
// starts before it repeats, so consecutive frames never read the same stretch.
std::size_t noise_start(std::uint32_t seed, std::int64_t frame) {
  const auto f = static_cast<std::uint64_t>(frame);
  return static_cast<std::size_t>((mix(seed ^ 0x5BD1E995u) + f * 40503u) % kNoiseShifts);
}

std::size_t offset_of(Long x, Long y) {
  return static_cast<std::size_t>(kFrameHeight - 1 - y) * kFrameStride +
         static_cast<std::size_t>(x) * 3;
}

[[noreturn]] void bad_option() {
  raise_error(errors::kInvalidProcedureCall, ZENTRIK_MODULE_NAME);
}

void validate(const VirtualSceneOptions& options) {
  if (!std::isfinite(options.frame_rate) || options.frame_rate <= 0.0 ||
      options.frame_rate > 1000.0)
    bad_option();
  if (options.noise_amplitude < 0 || options.noise_amplitude > 32) bad_option();
  if (options.light_change_delta < -64 || options.light_change_delta > 64) bad_option();
  if (options.frame_limit < 0) bad_option();
  for (const ScenePatch& patch : options.patches) {
    if (patch.rect.width < 0 || patch.rect.height < 0 || patch.schedule.repeat < 0) bad_option();
  }
  for (const LightStep& step : options.light_steps) {
    if (step.first < 0 || step.end <= step.first || step.delta < -64 || step.delta > 64)
      bad_option();
  }
  if (options.light_repeat < 0) bad_option();
  for (const SceneSway& sway : options.sways) {
    if (sway.rect.width < 0 || sway.rect.height < 0 || sway.amplitude < 0 || sway.amplitude > 8 ||
        sway.period <= 0 || sway.contrast < 0 || sway.contrast > 64)
      bad_option();
  }
  for (const SceneObject& object : options.objects) {
    if (object.width < 0 || object.height < 0 || object.repeat < 0) bad_option();
    for (std::size_t i = 1; i < object.path.size(); ++i) {
      if (object.path[i].frame <= object.path[i - 1].frame) bad_option();
    }
  }
}

// Fills the part of `rect` inside the frame with `colour`.
void fill(Frame& out, const SceneRect& rect, ColorRef colour) {
  const std::int64_t left = std::max<std::int64_t>(rect.left, 0);
  const std::int64_t top = std::max<std::int64_t>(rect.top, 0);
  const std::int64_t right =
      std::min<std::int64_t>(std::int64_t{rect.left} + rect.width, kFrameWidth);
  const std::int64_t bottom =
      std::min<std::int64_t>(std::int64_t{rect.top} + rect.height, kFrameHeight);
  if (left >= right || top >= bottom) return;
  const Byte blue = GetBValue(colour);
  const Byte green = GetGValue(colour);
  const Byte red = GetRValue(colour);
  // One row is built, then copied to the others.
  std::uint8_t* first = out.pixels + offset_of(static_cast<Long>(left), static_cast<Long>(top));
  const auto rowBytes = static_cast<std::size_t>(right - left) * 3;
  for (std::size_t i = 0; i < rowBytes; i += 3) {
    first[i] = blue;
    first[i + 1] = green;
    first[i + 2] = red;
  }
  for (std::int64_t y = top + 1; y < bottom; ++y) {
    std::memcpy(out.pixels + offset_of(static_cast<Long>(left), static_cast<Long>(y)), first,
                rowBytes);
  }
}

// A sway's texture: seeded nodes of -contrast/2..contrast/2 every kLeaf pixels of the frame's
// coordinates (kept positive by kLeafOrigin), bilinear between them; (left, top) is the texture's
// first pixel.
constexpr Long kLeaf = 4;
constexpr Long kLeafOrigin = 64;

std::vector<Long> sway_texture(std::uint32_t seed, const SceneSway& sway) {
  const Long width = sway.rect.width + 2 * sway.amplitude;
  const Long left = sway.rect.left - sway.amplitude;
  std::vector<Long> texture(static_cast<std::size_t>(width) * sway.rect.height);
  auto node = [&](Long gx, Long gy) {
    const std::uint32_t h =
        hash3(seed ^ 0x1EAF1EAFu, static_cast<std::uint32_t>(gx), static_cast<std::uint32_t>(gy));
    return static_cast<Long>(h % static_cast<std::uint32_t>(sway.contrast + 1)) - sway.contrast / 2;
  };
  for (Long row = 0; row < sway.rect.height; ++row) {
    const Long y = sway.rect.top + row + kLeafOrigin;
    for (Long column = 0; column < width; ++column) {
      const Long x = left + column + kLeafOrigin;
      const Long gx = x / kLeaf, fx = x % kLeaf, gy = y / kLeaf, fy = y % kLeaf;
      texture[static_cast<std::size_t>(row * width + column)] =
          (node(gx, gy) * (kLeaf - fx) * (kLeaf - fy) + node(gx + 1, gy) * fx * (kLeaf - fy) +
           node(gx, gy + 1) * (kLeaf - fx) * fy + node(gx + 1, gy + 1) * fx * fy) /
          (kLeaf * kLeaf);
    }
  }
  return texture;
}

std::uint8_t clamp_byte(Long value) {
  return static_cast<std::uint8_t>(std::clamp<Long>(value, 0, 255));
}

}  // namespace

VirtualScene::VirtualScene(VirtualSceneOptions options)
    : options_(std::move(options)), background_(kFrameBytes), lit_background_(kFrameBytes) {
  validate(options_);
  const std::uint32_t seed = options_.seed;

  // Smooth brightness from a lattice of seeded values (-256..256), bilinear between nodes.
  constexpr Long kNodesX = kFrameWidth / kCell + 1;
  constexpr Long kNodesY = kFrameHeight / kCell + 1;
  Long lattice[kNodesY][kNodesX];
  for (Long gy = 0; gy < kNodesY; ++gy) {
    for (Long gx = 0; gx < kNodesX; ++gx) {
      lattice[gy][gx] =
          static_cast<Long>(
              hash3(seed, static_cast<std::uint32_t>(gx), static_cast<std::uint32_t>(gy)) % 513) -
          256;
    }
  }
  // A faint tint of the whole scene, -4..4 per channel.
  Long tint[3];
  for (std::uint32_t c = 0; c < 3; ++c) {
    tint[c] = static_cast<Long>(hash3(seed, 0xC0FFEEu, c) % 9) - 4;
  }
  const Long delta = options_.light_change_delta;

  for (Long y = 0; y < kFrameHeight; ++y) {
    const Long gy = y / kCell;
    const Long fy = y % kCell;
    for (Long x = 0; x < kFrameWidth; ++x) {
      const Long gx = x / kCell;
      const Long fx = x % kCell;
      const Long smooth =
          (lattice[gy][gx] * (kCell - fx) * (kCell - fy) + lattice[gy][gx + 1] * fx * (kCell - fy) +
           lattice[gy + 1][gx] * (kCell - fx) * fy + lattice[gy + 1][gx + 1] * fx * fy) /
          (kCell * kCell);
      const Long grain = static_cast<Long>(hash3(seed ^ 0xA5A5A5A5u, static_cast<std::uint32_t>(x),
                                                 static_cast<std::uint32_t>(y)) %
                                           17) -
                         8;
      const Long luminance = 132 + smooth * 26 / 256 + grain;
      const std::size_t at = offset_of(x, y);
      for (std::size_t c = 0; c < 3; ++c) {
        // Memory order is blue, green, red; the tint table is red, green, blue.
        const Long value = std::clamp(luminance + tint[2 - c], kBaseLow, kBaseHigh);
        background_[at + c] = static_cast<std::uint8_t>(value);
        lit_background_[at + c] =
            static_cast<std::uint8_t>(std::clamp(value + delta, kLitLow, kLitHigh));
      }
    }
  }

  for (const SceneSway& sway : options_.sways) sway_textures_.push_back(sway_texture(seed, sway));

  if (options_.noise && options_.noise_amplitude > 0) {
    // Offsets within +-amplitude, stored as the bytes that add them modulo 256.
    const auto span = static_cast<std::uint32_t>(2 * options_.noise_amplitude + 1);
    noise_.resize(kFrameBytes + kNoiseShifts);
    for (std::size_t i = 0; i < noise_.size(); ++i) {
      const std::uint32_t draw = mix(seed ^ 0x27D4EB2Fu ^ mix(static_cast<std::uint32_t>(i)));
      const auto offset = static_cast<Long>((draw >> 8) % span) - options_.noise_amplitude;
      noise_[i] = static_cast<std::uint8_t>(offset);
    }
  }
}

void VirtualScene::noisy_background(std::int64_t frame, Frame& out) const {
  const bool lit = options_.light_change_frame >= 0 && frame >= options_.light_change_frame;
  const std::uint8_t* source = lit ? lit_background_.data() : background_.data();
  const std::uint8_t* noise = noise_.data() + noise_start(options_.seed, frame);
  // Background channels lie within 72..216 and offsets within +-32: the byte sums never wrap.
  for (std::size_t i = 0; i < kFrameBytes; ++i) {
    out.pixels[i] = static_cast<std::uint8_t>(source[i] + noise[i]);
  }
}

Long VirtualScene::light_level(std::int64_t frame) const {
  std::int64_t t = frame;
  if (options_.light_repeat > 0) t %= options_.light_repeat;
  std::int64_t level = 0;
  for (const LightStep& step : options_.light_steps) {
    const std::int64_t done =
        std::clamp<std::int64_t>(t - step.first + 1, 0, step.end - step.first);
    level += step.delta * done / (step.end - step.first);
  }
  return static_cast<Long>(level);
}

Long VirtualScene::sway_shift(std::size_t index, std::int64_t frame) const {
  const SceneSway& sway = options_.sways[index];
  const std::int64_t a = sway.amplitude;
  const std::int64_t phase = (frame + sway.period / 4) % sway.period;
  const std::int64_t wave = phase * 4 * a / sway.period - 2 * a;
  return static_cast<Long>((wave < 0 ? -wave : wave) - a);
}

Long VirtualScene::sway_texture_at(std::size_t index, Long shift, Long x, Long y) const {
  const SceneSway& sway = options_.sways[index];
  if (!sway.rect.contains(x, y)) return 0;
  const Long width = sway.rect.width + 2 * sway.amplitude;
  const Long column = x - shift - sway.rect.left + sway.amplitude;
  return sway_textures_[index][static_cast<std::size_t>((y - sway.rect.top) * width + column)];
}

Long VirtualScene::added_light(std::int64_t frame, Long x, Long y) const {
  Long added = light_level(frame);
  for (std::size_t i = 0; i < options_.sways.size(); ++i) {
    added += sway_texture_at(i, sway_shift(i, frame), x, y);
  }
  return added;
}

void VirtualScene::add_light_and_sways(std::int64_t frame, Frame& out) const {
  const Long light = light_level(frame);
  for (Long y = 0; y < kFrameHeight; ++y) {
    std::uint8_t* pixel = out.pixels + offset_of(0, y);
    for (Long x = 0; x < kFrameWidth; ++x, pixel += 3) {
      Long added = light;
      for (std::size_t i = 0; i < options_.sways.size(); ++i) {
        if (options_.sways[i].rect.contains(x, y))
          added += sway_texture_at(i, sway_shift(i, frame), x, y);
      }
      if (added == 0) continue;
      for (std::size_t c = 0; c < 3; ++c) pixel[c] = clamp_byte(pixel[c] + added);
    }
  }
}

void VirtualScene::render(std::int64_t frame, Frame& out) const {
  out.index = frame;
  if (!noise_.empty()) {
    noisy_background(frame, out);
  } else {
    const bool lit = options_.light_change_frame >= 0 && frame >= options_.light_change_frame;
    std::memcpy(out.pixels, lit ? lit_background_.data() : background_.data(), kFrameBytes);
  }
  if (!options_.light_steps.empty() || !options_.sways.empty()) add_light_and_sways(frame, out);
  for (const ScenePatch& patch : options_.patches) {
    if (patch.schedule.shown(frame)) fill(out, patch.rect, patch.colour);
  }
  for (const SceneObject& object : options_.objects) {
    if (const std::optional<SceneRect> rect = object.position(frame)) {
      fill(out, *rect, object.colour);
    }
  }
}

std::vector<VirtualScene::Item> VirtualScene::items_at(std::int64_t frame) const {
  std::vector<Item> items;
  items.reserve(options_.patches.size() + options_.objects.size());
  for (const ScenePatch& patch : options_.patches) {
    items.push_back(
        Item{Item::Kind::Patch, patch.name, patch.rect, patch.colour, patch.schedule.shown(frame)});
  }
  for (const SceneObject& object : options_.objects) {
    const std::optional<SceneRect> rect = object.position(frame);
    items.push_back(Item{Item::Kind::Object, object.name,
                         rect.value_or(SceneRect{0, 0, object.width, object.height}), object.colour,
                         rect.has_value()});
  }
  return items;
}

std::optional<VirtualScene::Item> VirtualScene::item_at(std::int64_t frame,
                                                        const std::string& name) const {
  for (Item& item : items_at(frame)) {
    if (item.name == name) return std::move(item);
  }
  return std::nullopt;
}

std::optional<ColorRef> VirtualScene::covering_colour(std::int64_t frame, Long x, Long y) const {
  std::optional<ColorRef> colour;
  // Drawing order: the last item that covers the point is the one on top.
  for (const ScenePatch& patch : options_.patches) {
    if (patch.rect.contains(x, y) && patch.schedule.shown(frame)) colour = patch.colour;
  }
  for (const SceneObject& object : options_.objects) {
    const std::optional<SceneRect> rect = object.position(frame);
    if (rect && rect->contains(x, y)) colour = object.colour;
  }
  return colour;
}

ColorRef VirtualScene::background_colour(std::int64_t frame, Long x, Long y) const {
  if (x < 0 || x >= kFrameWidth || y < 0 || y >= kFrameHeight) return CLR_INVALID;
  const bool lit = options_.light_change_frame >= 0 && frame >= options_.light_change_frame;
  const std::uint8_t* pixel = (lit ? lit_background_.data() : background_.data()) + offset_of(x, y);
  Long blue = pixel[0];
  Long green = pixel[1];
  Long red = pixel[2];
  if (!noise_.empty()) {
    const std::uint8_t* noise = noise_.data() + noise_start(options_.seed, frame) + offset_of(x, y);
    blue += static_cast<std::int8_t>(noise[0]);
    green += static_cast<std::int8_t>(noise[1]);
    red += static_cast<std::int8_t>(noise[2]);
  }
  if (!options_.light_steps.empty() || !options_.sways.empty()) {
    const Long added = added_light(frame, x, y);
    blue = clamp_byte(blue + added);
    green = clamp_byte(green + added);
    red = clamp_byte(red + added);
  }
  return RGB(static_cast<Byte>(red), static_cast<Byte>(green), static_cast<Byte>(blue));
}

}  // namespace zentrik
