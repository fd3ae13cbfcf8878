// The control over the virtual camera's scripted scene: the events of a whole scene cycle
// against a plain simulation of the zones over what the script puts where, the transitions the
// script implies for its patches and objects, and what colour reduction does to sensor noise.
#include <gtest/gtest.h>

#include <optional>

#include "control/SampleWindow.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/capture/VirtualScene.h"
#include "zentrik/control/orvex.h"
#include "zentrik/platform/message_box.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik {
namespace {

struct Zone {
  bool colour;
  Integer zone;
  Integer left, top, width, height;
  Long value;  // colour zones
  Integer percentage;
};

struct SceneEvent {
  std::int64_t frame;
  bool colour;
  Integer zone;
  Boolean status;
  Integer percentage;
  friend bool operator==(const SceneEvent&, const SceneEvent&) = default;
};

void PrintTo(const SceneEvent& e, std::ostream* os) {
  *os << "frame " << e.frame << (e.colour ? " color " : " motion ") << e.zone << " " << e.status
      << " " << e.percentage;
}

class OrvexScene : public ::testing::Test {
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

  // The control over the virtual camera playing `options`, with these zones in layer 1.
  void start(const VirtualSceneOptions& options, const std::vector<Zone>& zones,
             Long colordepth = 65535) {
    scene_ = std::make_shared<VirtualScene>(options);
    drivers_.clear();
    drivers_.add(DriverRegistry::virtual_camera(options));
    control_ = std::make_unique<orvex>(drivers_);
    control_->video().set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
    control_->video().on_report([](const ezVidCap::Report& r) { FAIL() << r.description; });
    sink_ = std::make_unique<FunctionSink>([this](DispId id, std::span<Variant> args) {
      const bool colour = id == OrvexTypeLibrary::kColorEvent;
      events_.push_back({control_->video().frames_delivered() - 1, colour, args[1].to_integer(),
                         args[2].to_boolean_value(), args[colour ? 4 : 3].to_integer()});
    });
    control_->events().advise(sink_.get());
    for (Zone z : zones) {
      Integer layer = 1;
      if (z.colour) {
        control_->add_color_detection(layer, z.zone, z.left, z.top, z.width, z.height, z.value,
                                      z.percentage);
      } else {
        control_->add_motion_detection(layer, z.zone, z.left, z.top, z.width, z.height,
                                       z.percentage);
      }
    }
    control_->set_colordepth(colordepth);
    control_->set_layer(1);
    control_->set_active(vbTrue);
  }

  void run(std::size_t frames) { ASSERT_EQ(control_->video().deliver_frames(frames), frames); }

  // What the zones must report over `frames` frames at full colour, worked out point by point
  // from the script alone.
  std::vector<SceneEvent> simulate(const std::vector<Zone>& zones, std::int64_t frames) const {
    std::vector<SceneEvent> expected;
    std::vector<Long> previous(320 * 240, 0), current(320 * 240, 0);
    bool state[65] = {};
    for (std::int64_t f = 0; f < frames; ++f) {
      previous = current;
      for (Long x = 1; x <= 317; x += 4) {
        for (Long y = 1; y <= 217; y += 4) {
          const std::optional<ColorRef> item = scene_->covering_colour(f, x, y);
          current[y * 320 + x] = item ? *item : scene_->background_colour(f, x, y);
        }
      }
      for (bool colourPass : {true, false}) {
        for (const Zone& z : zones) {
          if (z.colour != colourPass) continue;
          const SampleWindow w = sample_window(z.left, z.top, z.width, z.height);
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

  std::shared_ptr<VirtualScene> scene_;
  DriverRegistry drivers_;
  std::unique_ptr<orvex> control_;
  std::vector<SceneEvent> events_;

 private:
  std::shared_ptr<Presenter> previous_;
  std::unique_ptr<FunctionSink> sink_;
};

// Zones on the standard scene's patches and across its objects' paths (zone numbers ascending
// in the order the passes visit them).
const std::vector<Zone> kStandardZones = {
    {true, 1, 20, 20, 40, 30, RGB(255, 0, 0), 50},        // the red patch, always there
    {true, 2, 260, 20, 40, 30, RGB(0, 0, 255), 50},       // blue, frames 30..119
    {true, 3, 20, 190, 40, 30, RGB(255, 255, 0), 50},     // yellow, frames 90..209
    {true, 4, 260, 190, 40, 30, RGB(255, 255, 255), 50},  // white, 0..59 and 150..239
    {true, 5, 100, 100, 60, 40, RGB(0, 255, 0), 10},      // where the green object passes
    {false, 6, 100, 100, 60, 40, 0, 5},                   // motion over the same place
    {false, 7, 140, 0, 40, 240, 0, 1},                    // the magenta object's column
    {false, 8, 0, 50, 320, 30, 0, 1},                     // the cyan object's row
    {false, 9, 80, 150, 40, 20, 0, 1},                    // plain background: nothing moves
};

TEST_F(OrvexScene, WholeCycleRaisesWhatTheScriptImplies) {
  start(standard_scene(), kStandardZones);
  run(300);
  const std::vector<SceneEvent> expected = simulate(kStandardZones, 300);
  EXPECT_EQ(events_, expected);

  auto first = [&](Integer zone, Boolean status, std::int64_t from = 0) -> std::int64_t {
    for (const SceneEvent& e : events_)
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
  for (const SceneEvent& e : events_) {
    if (e.colour || e.frame < 2 || e.status != vbTrue) continue;
    const Zone& z = kStandardZones[static_cast<std::size_t>(e.zone - 1)];
    const SceneRect zone{z.left, z.top, z.width, z.height};
    bool object = false;
    for (std::int64_t f : {e.frame - 1, e.frame}) {
      for (const VirtualScene::Item& item : scene_->items_at(f)) {
        const SceneRect& r = item.rect;
        object |= item.kind == VirtualScene::Item::Kind::Object && item.visible &&
                  r.left < zone.left + zone.width && zone.left < r.left + r.width &&
                  r.top < zone.top + zone.height && zone.top < r.top + r.height;
      }
    }
    EXPECT_TRUE(object) << "zone " << e.zone << " at frame " << e.frame;
  }
  EXPECT_EQ(std::count_if(events_.begin(), events_.end(), [](auto& e) { return e.zone == 9; }), 2);
}

TEST_F(OrvexScene, PatchColoursSurviveBothReductions) {
  for (Long depth : {16L, 256L}) {
    SCOPED_TRACE(depth);
    events_.clear();
    const std::vector<Zone> zones(kStandardZones.begin(), kStandardZones.begin() + 4);
    start(standard_scene(), zones, depth);
    run(240);
    EXPECT_EQ(events_, simulate(zones, 240));
    control_.reset();
  }
}

TEST_F(OrvexScene, ReductionCoarsensSensorNoiseAway) {
  VirtualSceneOptions options = standard_scene(5);
  options.noise = true;
  options.noise_amplitude = 4;
  const std::vector<Zone> quiet = {{false, 1, 80, 150, 40, 20, 0, 50}};  // background only
  start(options, quiet);
  run(10);
  // At full colour every frame's noise changes most points: on from the first frame and on.
  ASSERT_FALSE(events_.empty());
  EXPECT_EQ(events_.back().status, vbTrue);
  EXPECT_EQ(events_.size(), 1u);
  control_.reset();
  events_.clear();
  start(options, quiet, 16);
  run(10);
  // Reduced to 16 colours the noisy background is one steady grey after the first frame.
  ASSERT_EQ(events_.size(), 2u);
  EXPECT_EQ(events_[0], (SceneEvent{0, false, 1, vbTrue, 100}));
  EXPECT_EQ(events_[1].frame, 1);
  EXPECT_EQ(events_[1].status, vbFalse);
}

}  // namespace
}  // namespace zentrik
