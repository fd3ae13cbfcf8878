// The steady filter between the virtual camera's street scene and the control, checked against
// what the scene's script puts where: with the default settings every passage of an object
// through a zone is one ON and one off, and noise, light steps and the swaying leaves raise
// nothing.
#include <gtest/gtest.h>

#include <optional>

#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/capture/VirtualScene.h"
#include "zentrik/control/orvex.h"
#include "zentrik/filters/SteadyDriver.h"
#include "zentrik/platform/message_box.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik {
namespace {

struct Zone {
  Integer zone;
  SceneRect rect;
  Integer percentage;
  bool colour = false;
};

struct Event {
  std::int64_t frame;
  Integer zone;
  bool on;
};

// Frames first..last in which some object covers part of a zone.
struct Passage {
  std::int64_t first;
  std::int64_t last;
};

constexpr std::int64_t kCycle = 300;
constexpr std::int64_t kWarmUp = 2;  // the first frame compares against black, the second back

const std::vector<Zone> kZones = {
    {1, {100, 80, 60, 50}, 3},        // across the walker's way
    {2, {20, 100, 60, 60}, 2},        // the car's way (the walker crosses it too)
    {3, {200, 140, 80, 60}, 1},       // the leaves, which the cyclist crosses
    {4, {240, 30, 60, 40}, 3},        // background alone
    {5, {0, 0, 320, 240}, 10},        // the whole picture
    {6, {20, 20, 40, 30}, 50, true},  // the red patch, exactly red
};

class SteadyScene : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = set_presenter(std::make_shared<ScriptedPresenter>());
    MessageLoop::instance().reset();
    MessageLoop::instance().set_clock(std::make_shared<ManualClock>());
  }
  void TearDown() override {
    control_.reset();
    MessageLoop::instance().reset();
    MessageLoop::instance().set_clock(nullptr);
    set_presenter(previous_);
  }

  // Runs one cycle of the scene through the control, steadied or not; the events it raised.
  std::vector<Event> run(const VirtualSceneOptions& options, std::optional<SteadySettings> steady) {
    drivers_.clear();
    drivers_.add(DriverRegistry::virtual_camera(options));
    if (steady) make_steady(drivers_, *steady);
    control_ = std::make_unique<orvex>(drivers_);
    control_->video().set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
    std::vector<Event> events;
    FunctionSink sink([&](DispId, std::span<Variant> args) {
      events.push_back({control_->video().frames_delivered() - 1, args[1].to_integer(),
                        args[2].to_boolean_value() == vbTrue});
    });
    control_->events().advise(&sink);
    Integer layer = 1;
    for (Zone z : kZones) {
      Integer left = static_cast<Integer>(z.rect.left), top = static_cast<Integer>(z.rect.top);
      Integer width = static_cast<Integer>(z.rect.width);
      Integer height = static_cast<Integer>(z.rect.height);
      if (z.colour) {
        Long red = RGB(255, 0, 0);
        control_->add_color_detection(layer, z.zone, left, top, width, height, red, z.percentage);
      } else {
        control_->add_motion_detection(layer, z.zone, left, top, width, height, z.percentage);
      }
    }
    control_->set_layer(1);
    control_->set_active(vbTrue);
    EXPECT_EQ(control_->video().deliver_frames(kCycle), static_cast<std::size_t>(kCycle));
    control_->events().unadvise();
    control_.reset();
    return events;
  }

  static std::vector<Passage> passages(const VirtualScene& scene, const SceneRect& zone) {
    std::vector<Passage> found;
    for (std::int64_t f = 0; f < kCycle; ++f) {
      bool covered = false;
      for (const VirtualScene::Item& item : scene.items_at(f)) {
        const SceneRect& r = item.rect;
        covered |= item.kind == VirtualScene::Item::Kind::Object && item.visible &&
                   r.left < zone.left + zone.width && zone.left < r.left + r.width &&
                   r.top < zone.top + zone.height && zone.top < r.top + r.height;
      }
      if (!covered) continue;
      if (!found.empty() && found.back().last == f - 1) {
        found.back().last = f;
      } else {
        found.push_back({f, f});
      }
    }
    return found;
  }

 private:
  std::shared_ptr<Presenter> previous_;
  DriverRegistry drivers_;
  std::unique_ptr<orvex> control_;
};

TEST_F(SteadyScene, EachPassageIsOneOnAndOneOffAndNothingElseRaises) {
  const VirtualSceneOptions options = street_scene(3);
  const VirtualScene scene(options);
  const std::vector<Event> events = run(options, SteadySettings{});
  for (const Zone& zone : kZones) {
    SCOPED_TRACE("zone " + std::to_string(zone.zone));
    std::vector<Event> mine;
    for (const Event& e : events)
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
      const Event& on = mine[2 * i];
      const Event& off = mine[2 * i + 1];
      EXPECT_TRUE(on.on);
      EXPECT_FALSE(off.on);
      EXPECT_GE(on.frame, expected[i].first);
      EXPECT_LE(on.frame, expected[i].last);
      EXPECT_GT(off.frame, expected[i].first);
      EXPECT_LE(off.frame, expected[i].last + 2);
    }
  }
}

TEST_F(SteadyScene, WithoutTheFilterTheSameSceneFloods) {
  const std::vector<Event> events = run(street_scene(3), std::nullopt);
  // Noise changes nearly every point of every frame: the background zone goes on at once and
  // never off.
  std::vector<Event> quiet;
  for (const Event& e : events)
    if (e.zone == 4) quiet.push_back(e);
  ASSERT_EQ(quiet.size(), 1u);
  EXPECT_TRUE(quiet[0].on);
}

}  // namespace
}  // namespace zentrik
