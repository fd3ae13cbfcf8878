// The steady filter between the virtual camera's street scene and the control, checked against
// what the scene's script puts where: with the default settings every passage of an object
// through a zone is one ON and one off, and noise, light steps and the swaying leaves raise
// nothing.
#include <gtest/gtest.h>

#include <optional>

#include "scene_run.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/capture/VirtualScene.h"
#include "zentrik/filters/SteadyDriver.h"

namespace zentrik {
namespace {

using test::SceneEvent;
using test::SceneZone;

// Frames first..last in which some object covers part of a zone.
struct Passage {
  std::int64_t first;
  std::int64_t last;
};

constexpr std::int64_t kCycle = 300;
constexpr std::int64_t kWarmUp = 2;  // the first frame compares against black, the second back

const std::vector<SceneZone> kZones = {
    {false, 1, {100, 80, 60, 50}, 0, 3},              // across the walker's way
    {false, 2, {20, 100, 60, 60}, 0, 2},              // the car's way (the walker crosses it too)
    {false, 3, {200, 140, 80, 60}, 0, 1},             // the leaves, which the cyclist crosses
    {false, 4, {240, 30, 60, 40}, 0, 3},              // background alone
    {false, 5, {0, 0, 320, 240}, 0, 10},              // the whole picture
    {true, 6, {20, 20, 40, 30}, RGB(255, 0, 0), 50},  // the red patch, exactly red
};

class SteadyScene : public test::SceneTest {
 protected:
  // One cycle of the scene through the control, steadied or not; the events it raised.
  std::vector<SceneEvent> run(const VirtualSceneOptions& options,
                              std::optional<SteadySettings> steady) {
    DriverRegistry drivers;
    drivers.add(DriverRegistry::virtual_camera(options));
    if (steady) make_steady(drivers, *steady);
    return run_scene(drivers, kZones, kCycle);
  }

  static std::vector<Passage> passages(const VirtualScene& scene, const SceneRect& zone) {
    std::vector<Passage> found;
    for (std::int64_t f = 0; f < kCycle; ++f) {
      if (!test::object_covers(scene, f, zone)) continue;
      if (!found.empty() && found.back().last == f - 1) {
        found.back().last = f;
      } else {
        found.push_back({f, f});
      }
    }
    return found;
  }
};

TEST_F(SteadyScene, EachPassageIsOneOnAndOneOffAndNothingElseRaises) {
  const VirtualSceneOptions options = street_scene(3);
  const VirtualScene scene(options);
  const std::vector<SceneEvent> events = run(options, SteadySettings{});
  for (const SceneZone& zone : kZones) {
    SCOPED_TRACE("zone " + std::to_string(zone.zone));
    std::vector<SceneEvent> mine;
    for (const SceneEvent& e : events)
      if (e.zone == zone.zone && e.frame >= kWarmUp) mine.push_back(e);
    if (zone.colour) {
      EXPECT_TRUE(mine.empty());  // on from the first frame, and never off
      continue;
    }
    // Zones 1 to 3 lie on the objects' ways; the whole picture's share of an object stays below
    // its 10 %.
    const std::vector<Passage> expected =
        zone.zone == 5 ? std::vector<Passage>{} : passages(scene, zone.rect);
    if (zone.zone <= 3) {
      EXPECT_FALSE(expected.empty());
    }
    ASSERT_EQ(mine.size(), 2 * expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const SceneEvent& on = mine[2 * i];
      const SceneEvent& off = mine[2 * i + 1];
      EXPECT_EQ(on.status, vbTrue);
      EXPECT_EQ(off.status, vbFalse);
      EXPECT_GE(on.frame, expected[i].first);
      EXPECT_LE(on.frame, expected[i].last);
      EXPECT_GT(off.frame, expected[i].first);
      EXPECT_LE(off.frame, expected[i].last + 2);
    }
  }
}

TEST_F(SteadyScene, WithoutTheFilterTheSameSceneFloods) {
  const std::vector<SceneEvent> events = run(street_scene(3), std::nullopt);
  // Noise changes nearly every point of every frame: the background zone goes on at once and
  // never off.
  std::vector<SceneEvent> quiet;
  for (const SceneEvent& e : events)
    if (e.zone == 4) quiet.push_back(e);
  ASSERT_EQ(quiet.size(), 1u);
  EXPECT_EQ(quiet[0].status, vbTrue);
}

}  // namespace
}  // namespace zentrik
