// The scene script: schedules with repeats, object paths with their integer interpolation, and
// the standard scene's documented timetable.
#include <gtest/gtest.h>

#include <optional>

#include "zentrik/capture/SceneScript.h"

namespace zentrik {
namespace {

struct ScheduleCase {
  std::int64_t frame;
  bool shown;
};

TEST(SceneScheduleTest, RangesAreHalfOpenAndRepeat) {
  const SceneSchedule schedule{{{30, 120}, {200, 210}}, 300};
  const ScheduleCase cases[] = {{0, false},   {29, false},  {30, true},   {119, true},
                                {120, false}, {199, false}, {200, true},  {209, true},
                                {210, false}, {299, false}, {330, true},  {419, true},
                                {420, false}, {630, true},  {-270, true}, {-1, false}};
  for (const ScheduleCase& c : cases) EXPECT_EQ(schedule.shown(c.frame), c.shown) << c.frame;
}

TEST(SceneScheduleTest, NoRangesMeansAlwaysAndNoRepeatMeansOnce) {
  EXPECT_TRUE(SceneSchedule{}.shown(0));
  EXPECT_TRUE(SceneSchedule{}.shown(123456789));
  const SceneSchedule once{{{5, 10}}, 0};
  EXPECT_TRUE(once.shown(5));
  EXPECT_FALSE(once.shown(305));
}

struct PathCase {
  std::int64_t frame;
  std::optional<SceneRect> rect;
};

TEST(SceneObjectTest, PositionsInterpolateWithTruncationAndVanishOffThePath) {
  // Three keyframes: right 10 px in 3 frames (3.33 px per frame), then down 7 px in 2 frames.
  const SceneObject object{"o", 5, 4, RGB(0, 255, 0), {{10, 0, 0}, {13, 10, 0}, {15, 10, -7}}, 0};
  const PathCase cases[] = {
      {9, std::nullopt},
      {10, SceneRect{0, 0, 5, 4}},
      {11, SceneRect{3, 0, 5, 4}},    // 10 * 1 / 3 = 3
      {12, SceneRect{6, 0, 5, 4}},    // 20 / 3 = 6
      {13, SceneRect{10, 0, 5, 4}},   // the second keyframe exactly
      {14, SceneRect{10, -3, 5, 4}},  // -7 / 2 = -3 (toward zero)
      {15, std::nullopt},             // the last keyframe ends the path
  };
  for (const PathCase& c : cases) EXPECT_EQ(object.position(c.frame), c.rect) << c.frame;
}

TEST(SceneObjectTest, RepeatingPathsComeBackAndShortPathsNeverShow) {
  const SceneObject looping{"o", 1, 1, 0, {{0, 0, 0}, {10, 100, 0}}, 20};
  EXPECT_EQ(looping.position(25), (SceneRect{50, 0, 1, 1}));
  EXPECT_EQ(looping.position(15), std::nullopt);
  EXPECT_EQ(looping.position(-15), (SceneRect{50, 0, 1, 1}));
  const SceneObject single{"s", 1, 1, 0, {{0, 3, 3}}, 0};
  EXPECT_EQ(single.position(0), std::nullopt);
  const SceneObject none{"n", 1, 1, 0, {}, 0};
  EXPECT_EQ(none.position(0), std::nullopt);
}

TEST(SceneRectTest, ContainsIsHalfOpenAndSafeAtTheLimits) {
  const SceneRect rect{10, 20, 3, 2};
  EXPECT_TRUE(rect.contains(10, 20));
  EXPECT_TRUE(rect.contains(12, 21));
  EXPECT_FALSE(rect.contains(13, 20));
  EXPECT_FALSE(rect.contains(10, 22));
  EXPECT_FALSE(rect.contains(9, 20));
  const SceneRect huge{2147483000, 0, 2147483000, 1};
  EXPECT_TRUE(huge.contains(2147483647, 0));
}

TEST(StandardSceneTest, TimetableIsTheDocumentedOne) {
  const VirtualSceneOptions scene = standard_scene(7);
  EXPECT_EQ(scene.seed, 7u);
  ASSERT_EQ(scene.patches.size(), 4u);
  ASSERT_EQ(scene.objects.size(), 3u);
  const auto& red = scene.patches[0];
  const auto& blue = scene.patches[1];
  const auto& yellow = scene.patches[2];
  const auto& white = scene.patches[3];
  EXPECT_EQ(red.colour, RGB(255, 0, 0));
  EXPECT_TRUE(red.schedule.shown(0) && red.schedule.shown(1000));
  EXPECT_FALSE(blue.schedule.shown(29));
  EXPECT_TRUE(blue.schedule.shown(30));
  EXPECT_TRUE(blue.schedule.shown(119));
  EXPECT_FALSE(blue.schedule.shown(120));
  EXPECT_TRUE(blue.schedule.shown(330));
  EXPECT_TRUE(yellow.schedule.shown(90) && !yellow.schedule.shown(210));
  EXPECT_TRUE(white.schedule.shown(59) && !white.schedule.shown(60) && white.schedule.shown(150));

  const auto& green = scene.objects[0];
  EXPECT_EQ(green.position(0), (SceneRect{-24, 108, 24, 24}));
  EXPECT_EQ(green.position(50), (SceneRect{76, 108, 24, 24}));
  EXPECT_EQ(green.position(172), std::nullopt);
  const auto& magenta = scene.objects[1];
  EXPECT_EQ(magenta.position(99), std::nullopt);
  EXPECT_EQ(magenta.position(160), (SceneRect{150, 100, 20, 20}));
  const auto& cyan = scene.objects[2];
  EXPECT_EQ(cyan.position(210), (SceneRect{280, 60, 16, 16}));
  EXPECT_EQ(cyan.position(284), std::nullopt);
}

TEST(StandardSceneTest, PathsNeverCrossAPatchNorEachOther) {
  const VirtualSceneOptions scene = standard_scene();
  auto overlap = [](const SceneRect& a, const SceneRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
  };
  for (std::int64_t f = 0; f < 300; ++f) {
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
      const auto rect = scene.objects[i].position(f);
      if (!rect) continue;
      for (const ScenePatch& patch : scene.patches) {
        ASSERT_FALSE(overlap(*rect, patch.rect)) << scene.objects[i].name << " frame " << f;
      }
      for (std::size_t j = i + 1; j < scene.objects.size(); ++j) {
        const auto other = scene.objects[j].position(f);
        ASSERT_FALSE(other && overlap(*rect, *other)) << f;
      }
    }
  }
}

}  // namespace
}  // namespace zentrik
