// The control over the virtual camera's scripted scene: the events of a whole scene cycle
// against a plain simulation of the zones over what the script puts where, the transitions the
// script implies for its patches and objects, and what colour reduction does to sensor noise.
#include <gtest/gtest.h>

#include <optional>

#include "control/SampleWindow.h"
#include "scene_run.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/capture/VirtualScene.h"

namespace zentrik {
namespace {

using test::SceneEvent;
using test::SceneZone;

// The control over the virtual camera playing the scene.
class OrvexScene : public test::SceneTest {
 protected:
  std::vector<SceneEvent> run(const VirtualSceneOptions& options,
                              const std::vector<SceneZone>& zones, std::size_t frames,
                              Long colordepth = 65535) {
    DriverRegistry drivers;
    drivers.add(DriverRegistry::virtual_camera(options));
    return run_scene(drivers, zones, frames, colordepth);
  }
};

// What the zones must report over `frames` frames at full colour, worked out point by point
// from the script alone.
std::vector<SceneEvent> simulate(const VirtualScene& scene, const std::vector<SceneZone>& zones,
                                 std::int64_t frames) {
  std::vector<SceneEvent> expected;
  std::vector<Long> previous(320 * 240, 0), current(320 * 240, 0);
  bool state[65] = {};
  for (std::int64_t f = 0; f < frames; ++f) {
    previous = current;
    for (Long x = 1; x <= 317; x += 4) {
      for (Long y = 1; y <= 217; y += 4) {
        const std::optional<ColorRef> item = scene.covering_colour(f, x, y);
        current[y * 320 + x] = item ? *item : scene.background_colour(f, x, y);
      }
    }
    for (bool colourPass : {true, false}) {
      for (const SceneZone& z : zones) {
        if (z.colour != colourPass) continue;
        const SampleWindow w = sample_window(z.rect.left, z.rect.top, z.rect.width, z.rect.height);
        Long samples = 0, hits = 0;
        for (Long x = w.cs; !w.empty() && x <= w.ce; x += 4) {
          for (Long y = w.rs; y <= w.re; y += 4) {
            ++samples;
            const Long now = current[y * 320 + x];
            hits += z.colour ? now == z.value : now != previous[y * 320 + x];
          }
        }
        const double r = samples ? 100.0 * hits / samples : 0.0;
        const bool detected = samples > 0 && z.percentage <= r;
        if (detected != state[z.zone]) {
          state[z.zone] = detected;
          expected.push_back(
              {f, z.colour, z.zone, detected ? vbTrue : vbFalse, static_cast<Integer>(r)});
        }
      }
    }
  }
  return expected;
}

// Zones on the standard scene's patches and across its objects' paths (zone numbers ascending
// in the order the passes visit them).
const std::vector<SceneZone> kStandardZones = {
    {true, 1, {20, 20, 40, 30}, RGB(255, 0, 0), 50},        // the red patch, always there
    {true, 2, {260, 20, 40, 30}, RGB(0, 0, 255), 50},       // blue, frames 30..119
    {true, 3, {20, 190, 40, 30}, RGB(255, 255, 0), 50},     // yellow, frames 90..209
    {true, 4, {260, 190, 40, 30}, RGB(255, 255, 255), 50},  // white, 0..59 and 150..239
    {true, 5, {100, 100, 60, 40}, RGB(0, 255, 0), 10},      // where the green object passes
    {false, 6, {100, 100, 60, 40}, 0, 5},                   // motion over the same place
    {false, 7, {140, 0, 40, 240}, 0, 1},                    // the magenta object's column
    {false, 8, {0, 50, 320, 30}, 0, 1},                     // the cyan object's row
    {false, 9, {80, 150, 40, 20}, 0, 1},                    // plain background: nothing moves
};

TEST_F(OrvexScene, WholeCycleRaisesWhatTheScriptImplies) {
  const VirtualScene scene(standard_scene());
  const std::vector<SceneEvent> events = run(standard_scene(), kStandardZones, 300);
  EXPECT_EQ(events, simulate(scene, kStandardZones, 300));

  auto first = [&](Integer zone, Boolean status, std::int64_t from = 0) -> std::int64_t {
    for (const SceneEvent& e : events)
      if (e.zone == zone && e.status == status && e.frame >= from) return e.frame;
    return -1;
  };
  EXPECT_EQ(first(1, vbTrue), 0);
  EXPECT_EQ(first(1, vbFalse), -1);  // the red patch never goes away
  EXPECT_EQ(first(2, vbTrue), 30);
  EXPECT_EQ(first(2, vbFalse), 120);
  EXPECT_EQ(first(3, vbTrue), 90);
  EXPECT_EQ(first(3, vbFalse), 210);
  EXPECT_EQ(first(4, vbTrue), 0);
  EXPECT_EQ(first(4, vbFalse), 60);
  // The green object (x = -24 + 2f) crosses x 100..160 at frames 38..92.
  EXPECT_GT(first(5, vbTrue), 38);
  EXPECT_LT(first(5, vbFalse), 100);
  // Motion zones: the first frame is all change against black, the second none.
  for (Integer zone : {6, 7, 8, 9}) {
    EXPECT_EQ(first(zone, vbTrue), 0) << zone;
    EXPECT_EQ(first(zone, vbFalse), 1) << zone;
  }
  EXPECT_GT(first(6, vbTrue, 2), 38);
  EXPECT_LT(first(6, vbTrue, 2), 100);
  EXPECT_GT(first(7, vbTrue, 2), 55);   // green reaches the column
  EXPECT_GT(first(8, vbTrue, 2), 120);  // magenta reaches the row
  // After the first two frames a motion zone only ever switches on where an object is.
  for (const SceneEvent& e : events) {
    if (e.colour || e.frame < 2 || e.status != vbTrue) continue;
    const SceneRect& zone = kStandardZones[static_cast<std::size_t>(e.zone - 1)].rect;
    EXPECT_TRUE(test::object_covers(scene, e.frame - 1, zone) ||
                test::object_covers(scene, e.frame, zone))
        << "zone " << e.zone << " at frame " << e.frame;
  }
  EXPECT_EQ(std::count_if(events.begin(), events.end(), [](auto& e) { return e.zone == 9; }), 2);
}

TEST_F(OrvexScene, PatchColoursSurviveBothReductions) {
  for (Long depth : {16L, 256L}) {
    SCOPED_TRACE(depth);
    const std::vector<SceneZone> zones(kStandardZones.begin(), kStandardZones.begin() + 4);
    EXPECT_EQ(run(standard_scene(), zones, 240, depth),
              simulate(VirtualScene(standard_scene()), zones, 240));
  }
}

TEST_F(OrvexScene, ReductionCoarsensSensorNoiseAway) {
  VirtualSceneOptions options = standard_scene(5);
  options.noise = true;
  options.noise_amplitude = 4;
  const std::vector<SceneZone> quiet = {{false, 1, {80, 150, 40, 20}, 0, 50}};  // background
  std::vector<SceneEvent> events = run(options, quiet, 10);
  // At full colour every frame's noise changes most points: on from the first frame and on.
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().status, vbTrue);
  EXPECT_EQ(events.size(), 1u);
  events = run(options, quiet, 10, 16);
  // Reduced to 16 colours the noisy background is one steady grey after the first frame.
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], (SceneEvent{0, false, 1, vbTrue, 100}));
  EXPECT_EQ(events[1].frame, 1);
  EXPECT_EQ(events[1].status, vbFalse);
}

}  // namespace
}  // namespace zentrik
