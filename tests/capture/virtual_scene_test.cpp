// The virtual camera's scene: the same bytes for the same seed and frame, the script's helpers
// agreeing with every pixel, exact colours that survive both colour reductions, noise, the
// change of light, and refused options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "capture_test_support.h"
#include "platform/nearest_colour.h"
#include "zentrik/capture/VirtualScene.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

using testing::frame_pixel;

std::unique_ptr<Frame> rendered(const VirtualScene& scene, std::int64_t index) {
  auto frame = std::make_unique<Frame>();
  std::memset(frame->pixels, 0xA5, sizeof frame->pixels);  // leftovers must not show through
  scene.render(index, *frame);
  return frame;
}

bool same_bytes(const Frame& a, const Frame& b) {
  return std::memcmp(a.pixels, b.pixels, sizeof a.pixels) == 0;
}

// The standard 16 colours and the halftone cube of the 256-colour reduction.
std::vector<RgbQuad> sixteen_colours() {
  const Byte rgb[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                           {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                           {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                           {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  std::vector<RgbQuad> table;
  for (const auto& c : rgb) table.push_back(RgbQuad{c[2], c[1], c[0], 0});
  return table;
}

std::vector<RgbQuad> halftone() {
  const Byte levels[5] = {0, 64, 128, 192, 255};
  std::vector<RgbQuad> table;
  for (Byte b : levels)
    for (Byte g : levels)
      for (Byte r : levels) table.push_back(RgbQuad{b, g, r, 0});
  return table;
}

ColorRef reduced(const std::vector<RgbQuad>& table, ColorRef colour) {
  const RgbQuad& q = table[nearest_colour_reference(table, GetRValue(colour), GetGValue(colour),
                                                    GetBValue(colour))];
  return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

TEST(VirtualSceneTest, SameOptionsAndFrameGiveTheSameBytes) {
  VirtualSceneOptions options = standard_scene(42);
  options.noise = true;
  options.light_change_frame = 100;
  const VirtualScene first(options);
  const VirtualScene second(options);
  for (std::int64_t index : {0, 1, 99, 100, 299, 300, 12345}) {
    auto a = rendered(first, index);
    auto b = rendered(second, index);
    EXPECT_TRUE(same_bytes(*a, *b)) << index;
    EXPECT_EQ(a->index, index);
  }
  // Rendering out of order changes nothing: a frame depends on its index only.
  auto late = rendered(first, 250);
  rendered(first, 3);
  EXPECT_TRUE(same_bytes(*late, *rendered(first, 250)));
}

TEST(VirtualSceneTest, SeedsChangeTheBackgroundAndNoiseChangesItPerFrame) {
  VirtualSceneOptions quiet = standard_scene(1);
  VirtualSceneOptions other = standard_scene(2);
  VirtualSceneOptions noisy = standard_scene(1);
  noisy.noise = true;
  VirtualSceneOptions noisyOther = standard_scene(2);
  noisyOther.noise = true;
  const VirtualScene quietScene(quiet), otherScene(other), noisyScene(noisy),
      noisyOtherScene(noisyOther);
  EXPECT_FALSE(same_bytes(*rendered(quietScene, 5), *rendered(otherScene, 5)));
  EXPECT_FALSE(same_bytes(*rendered(noisyScene, 5), *rendered(noisyOtherScene, 5)));

  // Without noise the background (the top-centre corner, never covered) stays still.
  auto count_changes = [](const VirtualScene& scene, std::int64_t a, std::int64_t b) {
    auto fa = rendered(scene, a);
    auto fb = rendered(scene, b);
    int changed = 0;
    for (Long y = 0; y < 20; ++y)
      for (Long x = 100; x < 140; ++x) changed += frame_pixel(*fa, x, y) != frame_pixel(*fb, x, y);
    return changed;
  };
  EXPECT_EQ(count_changes(quietScene, 10, 11), 0);
  EXPECT_GT(count_changes(noisyScene, 10, 11), 700);  // nearly all of the 800
}

TEST(VirtualSceneTest, NoiseStaysWithinItsAmplitude) {
  VirtualSceneOptions options = standard_scene(9);
  const VirtualScene plain(options);
  options.noise = true;
  options.noise_amplitude = 5;
  const VirtualScene noisy(options);
  auto a = rendered(plain, 17);
  auto b = rendered(noisy, 17);
  int maxOffset = 0;
  for (std::size_t i = 0; i < sizeof a->pixels; ++i) {
    maxOffset = std::max(maxOffset, std::abs(int{a->pixels[i]} - int{b->pixels[i]}));
  }
  EXPECT_EQ(maxOffset, 5);
}

// Every pixel of a frame is either the colour the script says covers it or the background
// colour the helper gives.
void expect_helpers_match_pixels(const VirtualScene& scene, std::int64_t index) {
  auto frame = rendered(scene, index);
  for (Long y = 0; y < kFrameHeight; ++y) {
    for (Long x = 0; x < kFrameWidth; ++x) {
      const std::optional<ColorRef> cover = scene.covering_colour(index, x, y);
      const ColorRef expected = cover ? *cover : scene.background_colour(index, x, y);
      ASSERT_EQ(frame_pixel(*frame, x, y), expected)
          << "frame " << index << " at " << x << "," << y;
    }
  }
}

TEST(VirtualSceneTest, HelpersAgreeWithEveryPixel) {
  VirtualSceneOptions options = standard_scene(3);
  options.noise = true;
  options.light_change_frame = 150;
  const VirtualScene scene(options);
  for (std::int64_t index : {0, 29, 30, 59, 60, 100, 149, 150, 171, 215, 240, 283, 299, 300}) {
    expect_helpers_match_pixels(scene, index);
  }
}

TEST(VirtualSceneTest, StreetLightStepsAndSwayFollowTheirDefinitions) {
  const VirtualScene scene(street_scene(2));
  for (std::int64_t index : {0, 59, 60, 150, 165, 180, 212, 299}) {
    expect_helpers_match_pixels(scene, index);
  }
  // A step of 40 at frame 60, a fade back over 150..179, again every 300 frames.
  const std::pair<std::int64_t, Long> levels[] = {{59, 0},   {60, 40}, {149, 40}, {150, 39},
                                                  {165, 19}, {179, 0}, {180, 0},  {360, 40}};
  for (auto [frame, level] : levels) EXPECT_EQ(scene.light_level(frame), level) << frame;
  // The leaves sway between -1 and +1 pixel over 20 frames, and a sway moves no pixel of the
  // texture by more than contrast / 4 against its neighbour.
  Long lowest = 0, highest = 0;
  for (std::int64_t f = 0; f < 20; ++f) {
    lowest = std::min(lowest, scene.sway_shift(0, f));
    highest = std::max(highest, scene.sway_shift(0, f));
    EXPECT_LE(std::abs(scene.sway_shift(0, f + 1) - scene.sway_shift(0, f)), 1);
  }
  EXPECT_EQ(lowest, -1);
  EXPECT_EQ(highest, 1);
  VirtualSceneOptions leaves = street_scene(2);
  leaves.noise = false;
  leaves.light_steps.clear();
  const VirtualScene still(leaves);
  int largest = 0;
  for (std::int64_t f = 0; f < 20; ++f) {
    for (Long y = 140; y < 200; ++y) {
      for (Long x = 200; x < 280; ++x) {
        const int a = GetGValue(still.background_colour(f, x, y));
        const int b = GetGValue(still.background_colour(f + 1, x, y));
        largest = std::max(largest, std::abs(a - b));
      }
    }
  }
  EXPECT_GT(largest, 0);
  EXPECT_LE(largest, 32 / 4 + 1);
}

TEST(VirtualSceneTest, VisibleItemsShowTheirExactColourOverTheirWholeRectangle) {
  const VirtualScene scene(standard_scene(5));
  for (std::int64_t index = 0; index < 300; index += 7) {
    auto frame = rendered(scene, index);
    for (const VirtualScene::Item& item : scene.items_at(index)) {
      if (!item.visible) continue;
      int inside = 0;
      for (Long y = std::max<Long>(item.rect.top, 0);
           y < std::min<Long>(item.rect.top + item.rect.height, kFrameHeight); ++y) {
        for (Long x = std::max<Long>(item.rect.left, 0);
             x < std::min<Long>(item.rect.left + item.rect.width, kFrameWidth); ++x) {
          ASSERT_EQ(frame_pixel(*frame, x, y), item.colour) << item.name << " frame " << index;
          ++inside;
        }
      }
      if (item.kind == VirtualScene::Item::Kind::Patch) {
        EXPECT_EQ(inside, 40 * 30);
      }
    }
  }
}

TEST(VirtualSceneTest, ItemsFollowTheScheduleAndHiddenPatchesLeaveBackground) {
  const VirtualScene scene(standard_scene());
  ASSERT_TRUE(scene.item_at(29, "blue"));
  EXPECT_FALSE(scene.item_at(29, "blue")->visible);
  EXPECT_TRUE(scene.item_at(30, "blue")->visible);
  EXPECT_FALSE(scene.item_at(0, "nothing"));
  EXPECT_EQ(scene.item_at(50, "green")->rect, (SceneRect{76, 108, 24, 24}));
  auto hidden = rendered(scene, 29);
  auto shown = rendered(scene, 30);
  EXPECT_EQ(frame_pixel(*shown, 270, 30), RGB(0, 0, 255));
  EXPECT_EQ(frame_pixel(*hidden, 270, 30), scene.background_colour(29, 270, 30));
  EXPECT_EQ(scene.items_at(0).size(), 7u);
}

TEST(VirtualSceneTest, ScriptColoursSurviveBothReductionsAndTheBackgroundNeverBecomesOne) {
  const std::vector<RgbQuad> sixteen = sixteen_colours();
  const std::vector<RgbQuad> cube = halftone();
  const VirtualSceneOptions standard = standard_scene();
  std::vector<ColorRef> scriptColours;
  for (const ScenePatch& patch : standard.patches) scriptColours.push_back(patch.colour);
  for (const SceneObject& object : standard.objects) scriptColours.push_back(object.colour);
  for (ColorRef colour : scriptColours) {
    EXPECT_EQ(reduced(sixteen, colour), colour);
    EXPECT_EQ(reduced(cube, colour), colour);
  }
  for (std::uint32_t seed : {1u, 2u, 77u, 0xFFFFFFFFu}) {
    for (Long delta : {-64, 0, 64}) {
      VirtualSceneOptions options = standard_scene(seed);
      options.light_change_frame = 0;
      options.light_change_delta = delta;
      const VirtualScene scene(options);
      for (Long y = 0; y < kFrameHeight; y += 3) {
        for (Long x = 0; x < kFrameWidth; x += 3) {
          const ColorRef background = scene.background_colour(0, x, y);
          const ColorRef low = reduced(sixteen, background);
          ASSERT_TRUE(low == RGB(128, 128, 128) || low == RGB(192, 192, 192))
              << std::hex << background;
          for (ColorRef colour : scriptColours) {
            ASSERT_NE(background, colour);
            ASSERT_NE(reduced(cube, background), colour);
          }
        }
      }
    }
  }
}

TEST(VirtualSceneTest, LightChangesAtItsFrameAndLeavesTheScriptColoursAlone) {
  VirtualSceneOptions options = standard_scene(4);
  options.light_change_frame = 40;
  options.light_change_delta = 30;
  const VirtualScene scene(options);
  auto before = rendered(scene, 39);
  auto after = rendered(scene, 40);
  const ColorRef dark = frame_pixel(*before, 120, 5);
  const ColorRef bright = frame_pixel(*after, 120, 5);
  EXPECT_EQ(GetRValue(bright), std::min(GetRValue(dark) + 30, 216));
  EXPECT_EQ(frame_pixel(*after, 25, 25), RGB(255, 0, 0));
  EXPECT_EQ(frame_pixel(*before, 25, 25), RGB(255, 0, 0));
  // Still lit long after.
  EXPECT_EQ(frame_pixel(*rendered(scene, 5000), 120, 5), bright);
}

TEST(VirtualSceneTest, OptionsOutsideTheirRangesAreRefused) {
  const std::vector<std::function<void(VirtualSceneOptions&)>> breakers = {
      [](VirtualSceneOptions& o) { o.frame_rate = 0; },
      [](VirtualSceneOptions& o) { o.frame_rate = -30; },
      [](VirtualSceneOptions& o) { o.frame_rate = 1001; },
      [](VirtualSceneOptions& o) { o.frame_rate = std::nan(""); },
      [](VirtualSceneOptions& o) { o.noise_amplitude = 33; },
      [](VirtualSceneOptions& o) {
        o.light_steps = {{5, 5, 10}};
      },
      [](VirtualSceneOptions& o) {
        o.light_steps = {{0, 1, 65}};
      },
      [](VirtualSceneOptions& o) {
        o.sways = {{{0, 0, 10, 10}, 9, 20, 32}};
      },
      [](VirtualSceneOptions& o) {
        o.sways = {{{0, 0, 10, 10}, 1, 0, 32}};
      },
      [](VirtualSceneOptions& o) { o.noise_amplitude = -1; },
      [](VirtualSceneOptions& o) { o.light_change_delta = 65; },
      [](VirtualSceneOptions& o) { o.frame_limit = -1; },
      [](VirtualSceneOptions& o) { o.patches[0].rect.width = -1; },
      [](VirtualSceneOptions& o) { o.patches[0].schedule.repeat = -3; },
      [](VirtualSceneOptions& o) { o.objects[0].height = -2; },
      [](VirtualSceneOptions& o) {
        o.objects[0].path = {{5, 0, 0}, {5, 1, 1}};
      },
      [](VirtualSceneOptions& o) {
        o.objects[0].path = {{9, 0, 0}, {3, 1, 1}};
      },
  };
  for (std::size_t i = 0; i < breakers.size(); ++i) {
    VirtualSceneOptions options = standard_scene();
    breakers[i](options);
    try {
      VirtualScene scene(options);
      ADD_FAILURE() << "option change " << i << " was accepted";
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.number(), errors::kInvalidProcedureCall) << i;
    }
  }
}

TEST(VirtualSceneTest, ObjectsPartlyOutsideTheFrameAreCutOff) {
  VirtualSceneOptions options;
  options.objects = {{"edge", 50, 50, RGB(255, 255, 0), {{0, -25, 215}, {10, -25, 215}}, 0}};
  const VirtualScene scene(options);
  auto frame = rendered(scene, 0);
  EXPECT_EQ(frame_pixel(*frame, 0, 239), RGB(255, 255, 0));
  EXPECT_EQ(frame_pixel(*frame, 24, 215), RGB(255, 255, 0));
  EXPECT_NE(frame_pixel(*frame, 25, 215), RGB(255, 255, 0));
  EXPECT_NE(frame_pixel(*frame, 0, 214), RGB(255, 255, 0));
}

}  // namespace
}  // namespace zentrik
