// Motion and colour zones: thresholds at their exact boundaries, transitions only, the shared
// state of one zone number, outlines, Clear, clear_all, slots out of range, and what event
// handlers achieve through the by-reference arguments and calls back into the control.
#include <vector>

#include "control/SampleWindow.h"
#include "control_fixture.h"

namespace zentrik::test {
namespace {

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kGreen = RGB(0, 255, 0);

struct Rect {
  Integer left, top, width, height;
};

// The grid points a zone of this rectangle looks at, in visiting order.
std::vector<std::pair<Long, Long>> window_points(Rect r) {
  std::vector<std::pair<Long, Long>> points;
  const SampleWindow w = sample_window(r.left, r.top, r.width, r.height);
  if (w.empty()) return points;
  for (Long x = w.cs; x <= w.ce; x += 4)
    for (Long y = w.rs; y <= w.re; y += 4) points.emplace_back(x, y);
  return points;
}

// Black with the first `count` window points of `r` painted `colour`.
PaintedFrame with_points(Rect r, std::size_t count, ColorRef colour) {
  PaintedFrame f(0);
  const auto points = window_points(r);
  for (std::size_t i = 0; i < count && i < points.size(); ++i)
    f.set(points[i].first, points[i].second, colour);
  return f;
}

class ZoneTest : public ControlTest {
 protected:
  void add_motion(Integer layer, Integer zone, Rect r, Integer pct) {
    control().add_motion_detection(layer, zone, r.left, r.top, r.width, r.height, pct);
  }
  void add_color(Integer layer, Integer zone, Rect r, Long colour, Integer pct) {
    control().add_color_detection(layer, zone, r.left, r.top, r.width, r.height, colour, pct);
  }
};

enum class Kind { Motion, Colour };

struct ThresholdCase {
  const char* what;
  Kind kind;
  Rect rect;
  std::size_t points;  // window points changed (motion) or showing the colour
  Integer percentage;
  bool detected;
  Integer reported;
};

class ZoneThresholds : public ZoneTest, public ::testing::WithParamInterface<ThresholdCase> {};

TEST_P(ZoneThresholds, DetectsExactlyAtTheBoundary) {
  const ThresholdCase& c = GetParam();
  control().set_layer(1);
  const ColorRef colour = RGB(200, 100, 50);
  if (c.kind == Kind::Motion) {
    add_motion(1, 7, c.rect, c.percentage);
  } else {
    add_color(1, 7, c.rect, colour, c.percentage);
  }
  show(PaintedFrame(0));  // black after black: nothing changed, nothing matches
  ASSERT_TRUE(take_events().empty()) << c.what;
  show(with_points(c.rect, c.points, colour));
  std::vector<RecordedEvent> expected;
  if (c.detected) {
    expected.push_back(c.kind == Kind::Motion ? motion(1, 7, vbTrue, c.reported)
                                              : color(1, 7, vbTrue, colour, c.reported));
  }
  EXPECT_EQ(take_events(), expected) << c.what;
  EXPECT_EQ(control().state().zone_state(1, 7), c.detected ? vbTrue : vbFalse);
  EXPECT_EQ(control().zone_weergave(7).BorderColor(), c.detected ? kWhite : 0);
}

constexpr Rect k25{10, 10, 20, 20};  // 5 x 5 points
constexpr Rect k3{10, 10, 12, 4};    // 3 x 1 points

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ZoneThresholds,
    ::testing::Values(
        ThresholdCase{"motion 5 of 25 at 20", Kind::Motion, k25, 5, 20, true, 20},
        ThresholdCase{"motion 5 of 25 at 21", Kind::Motion, k25, 5, 21, false, 0},
        ThresholdCase{"motion 1 of 3 at 33", Kind::Motion, k3, 1, 33, true, 33},
        ThresholdCase{"motion 1 of 3 at 34", Kind::Motion, k3, 1, 34, false, 0},
        ThresholdCase{"motion 2 of 3 at 66", Kind::Motion, k3, 2, 66, true, 66},
        ThresholdCase{"motion all at 100", Kind::Motion, k25, 25, 100, true, 100},
        ThresholdCase{"motion all at 101", Kind::Motion, k25, 25, 101, false, 0},
        ThresholdCase{"motion 24 of 25 at 100", Kind::Motion, k25, 24, 100, false, 0},
        ThresholdCase{"motion at 0 is no zone", Kind::Motion, k25, 25, 0, false, 0},
        ThresholdCase{"motion negative is no zone", Kind::Motion, k25, 25, -5, false, 0},
        ThresholdCase{"colour 10 of 25 at 40", Kind::Colour, k25, 10, 40, true, 40},
        ThresholdCase{"colour 10 of 25 at 41", Kind::Colour, k25, 10, 41, false, 0},
        ThresholdCase{"colour 1 of 3 at 33", Kind::Colour, k3, 1, 33, true, 33},
        ThresholdCase{"colour 1 of 3 at 34", Kind::Colour, k3, 1, 34, false, 0},
        ThresholdCase{"colour 1 of 25 at 1", Kind::Colour, k25, 1, 1, true, 4},
        ThresholdCase{"colour at 0 is no zone", Kind::Colour, k25, 25, 0, false, 0},
        ThresholdCase{"empty window", Kind::Colour, Rect{2, 2, 3, 3}, 0, 1, false, 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(ZoneTest, OnlyTransitionsRaiseEvents) {
  control().set_layer(1);
  add_color(1, 2, k25, kGreen, 50);
  show(with_points(k25, 25, kGreen), 3);
  EXPECT_EQ(take_events(), (std::vector{color(1, 2, vbTrue, kGreen, 100)}));
  show(with_points(k25, 13, kGreen), 2);  // 52 %: still detected
  EXPECT_TRUE(take_events().empty());
  show(with_points(k25, 12, kGreen), 2);  // 48 %: falls below
  EXPECT_EQ(take_events(), (std::vector{color(1, 2, vbFalse, kGreen, 48)}));
  EXPECT_EQ(control().zone_weergave(2).BorderColor(), 0);
}

TEST_F(ZoneTest, ColoursOneStepAwayNeverMatch) {
  control().set_layer(1);
  const Long wanted = RGB(10, 20, 30);
  add_color(1, 1, k25, wanted, 1);
  add_color(1, 2, k25, wanted | 0x01000000, 1);  // a top byte no pixel read has
  for (ColorRef near : {RGB(11, 20, 30), RGB(9, 20, 30), RGB(10, 21, 30), RGB(10, 19, 30),
                        RGB(10, 20, 31), RGB(10, 20, 29)}) {
    show(with_points(k25, 25, near));
  }
  EXPECT_TRUE(take_events().empty());
  show(with_points(k25, 25, wanted));
  EXPECT_EQ(take_events(), (std::vector{color(1, 1, vbTrue, wanted, 100)}));
}

TEST_F(ZoneTest, ColourAndMotionZoneOfOneNumberShareTheirState) {
  control().set_layer(1);
  const Rect all{0, 0, 320, 240};
  add_color(1, 5, all, kGreen, 50);
  add_motion(1, 5, all, 50);
  show(PaintedFrame(kGreen));  // colour: on; motion (all changed from black): already on
  EXPECT_EQ(take_events(), (std::vector{color(1, 5, vbTrue, kGreen, 100)}));
  show(PaintedFrame(kGreen));  // colour: stays; motion: nothing changed, switches off
  EXPECT_EQ(take_events(), (std::vector{motion(1, 5, vbFalse, 0)}));
  show(PaintedFrame(kGreen));  // and so back and forth, colour first in each frame
  EXPECT_EQ(take_events(),
            (std::vector{color(1, 5, vbTrue, kGreen, 100), motion(1, 5, vbFalse, 0)}));
  EXPECT_EQ(control().zone_weergave(5).BorderColor(), 0);
}

TEST_F(ZoneTest, EmptyWindowCountsAsNothingDetected) {
  control().set_layer(1);
  add_color(1, 6, Rect{0, 0, 320, 240}, kGreen, 10);
  add_motion(1, 6, Rect{2, 0, 3, 240}, 1);  // no grid column inside
  show(PaintedFrame(kGreen));
  EXPECT_EQ(take_events(),
            (std::vector{color(1, 6, vbTrue, kGreen, 100), motion(1, 6, vbFalse, 0)}));
  EXPECT_EQ(control().state().sample_count, 0);
}

TEST_F(ZoneTest, OutlinesFollowShowZones) {
  add_motion(3, 1, Rect{10, 20, 30, 40}, 10);
  add_motion(3, 2, Rect{1, 2, 3, 4}, 10);
  add_color(3, 2, Rect{100, 110, 50, 60}, kGreen, 10);  // takes over outline 2
  add_motion(3, 3, Rect{5, 5, 5, 5}, 0);                // no zone: no outline
  add_color(4, 4, Rect{7, 7, 7, 7}, kGreen, 10);        // another layer
  control().set_layer(3);
  const orvex& c = control();
  EXPECT_TRUE(c.zone_weergave(1).Visible());
  EXPECT_EQ(c.zone_weergave(1).Left(), 150);
  EXPECT_EQ(c.zone_weergave(1).Top(), 300);
  EXPECT_EQ(c.zone_weergave(1).Width(), 450);
  EXPECT_EQ(c.zone_weergave(1).Height(), 600);
  EXPECT_TRUE(c.zone_weergave(2).Visible());
  EXPECT_EQ(c.zone_weergave(2).Left(), 1500);
  EXPECT_EQ(c.zone_weergave(2).Top(), 1650);
  EXPECT_EQ(c.zone_weergave(2).Width(), 750);
  EXPECT_EQ(c.zone_weergave(2).Height(), 900);
  EXPECT_FALSE(c.zone_weergave(3).Visible());
  EXPECT_FALSE(c.zone_weergave(4).Visible());
  EXPECT_FALSE(c.zone_weergave(0).Visible());

  // Added later: shown with the next layer write only.
  add_motion(3, 8, Rect{0, 0, 10, 10}, 10);
  EXPECT_FALSE(c.zone_weergave(8).Visible());
  control().set_layer(4);
  EXPECT_FALSE(c.zone_weergave(1).Visible());
  EXPECT_FALSE(c.zone_weergave(8).Visible());
  EXPECT_TRUE(c.zone_weergave(4).Visible());
  EXPECT_EQ(c.zone_weergave(4).Left(), 105);
  control().set_layer(3);
  EXPECT_TRUE(c.zone_weergave(8).Visible());
}

TEST_F(ZoneTest, OutlineColoursComeFromTransitionsAndOutliveLayerChanges) {
  control().set_layer(1);
  add_color(1, 3, k25, kGreen, 50);
  add_color(2, 3, k25, kGreen, 50);
  show(with_points(k25, 25, kGreen));
  EXPECT_EQ(control().zone_weergave(3).BorderColor(), kWhite);
  control().set_layer(2);  // the refresh leaves the colour as it was
  EXPECT_EQ(control().zone_weergave(3).BorderColor(), kWhite);
  take_events();
  show(with_points(k25, 25, kGreen));  // layer 2's own state is still False
  EXPECT_EQ(take_events(), (std::vector{color(2, 3, vbTrue, kGreen, 100)}));
  show(PaintedFrame(0));
  EXPECT_EQ(take_events(), (std::vector{color(2, 3, vbFalse, kGreen, 0)}));
  EXPECT_EQ(control().zone_weergave(3).BorderColor(), 0);
  EXPECT_EQ(control().state().zone_state(1, 3), vbTrue);
}

TEST_F(ZoneTest, WhiteOutlinesNeverReachThePixelsTheZonesRead) {
  control().set_layer(1);
  const Rect r{8, 8, 40, 40};  // the outline's border runs over grid points 9, 13, ...
  add_motion(1, 1, r, 1);
  show(PaintedFrame(0x404040));
  EXPECT_EQ(take_events(), (std::vector{motion(1, 1, vbTrue, 100)}));
  ASSERT_EQ(control().zone_weergave(1).BorderColor(), kWhite);
  show(PaintedFrame(0x404040), 2);
  EXPECT_EQ(take_events(), (std::vector{motion(1, 1, vbFalse, 0)}));
  EXPECT_EQ(GetPixel(control().beeld().hDC(), 8, 8), 0x404040);
  EXPECT_EQ(control().state().current_samples(9, 9), 0x404040);
}

TEST_F(ZoneTest, HugeGeometryIsClippedForTheOutlines) {
  add_motion(1, 1, Rect{30000, -30000, 30000, 2000}, 10);
  add_motion(1, 2, Rect{-5, -5, -10, -10}, 10);
  control().set_layer(1);
  const orvex& c = control();
  EXPECT_EQ(c.zone_weergave(1).Left(), 32767);
  EXPECT_EQ(c.zone_weergave(1).Top(), -32768);
  EXPECT_EQ(c.zone_weergave(1).Width(), 32767);
  EXPECT_EQ(c.zone_weergave(1).Height(), 30000);
  EXPECT_EQ(c.zone_weergave(2).Left(), -75);
  EXPECT_EQ(c.zone_weergave(2).Width(), 0);
  EXPECT_EQ(c.zone_weergave(2).Height(), 0);
  show(PaintedFrame(kGreen));  // and the pass over them raises nothing
  EXPECT_TRUE(reports.empty());
}

TEST_F(ZoneTest, ClearEmptiesAnotherLayerButNeverTheActiveOne) {
  control().set_layer(1);
  add_motion(1, 1, k25, 10);
  add_color(1, 2, k25, kGreen, 10);
  add_motion(2, 1, k25, 10);
  add_color(2, 2, k25, kGreen, 10);
  show(with_points(k25, 25, kGreen));
  control().set_layer(2);
  show(PaintedFrame(0));
  show(with_points(k25, 25, kGreen));
  ASSERT_EQ(control().state().zone_state(2, 2), vbTrue);
  Integer active = 2;
  control().Clear(active);
  EXPECT_EQ(control().state().motion_percentage(2, 1), 10);
  EXPECT_EQ(control().state().color_percentage(2, 2), 10);
  control().set_layer(1);
  active = 2;
  control().Clear(active);
  const OrvexState& s = control().state();
  EXPECT_EQ(s.motion_percentage(2, 1), 0);
  EXPECT_EQ(s.color_percentage(2, 2), 0);
  EXPECT_EQ(s.color_value(2, 2), kGreen);
  EXPECT_EQ(s.color_left(2, 2), 10);
  EXPECT_EQ(s.motion_width(2, 1), 20);
  EXPECT_EQ(s.zone_state(2, 2), vbTrue);
  EXPECT_EQ(s.motion_percentage(1, 1), 10);  // the active layer keeps its zones
  // Brought back by a new definition with whatever it is given.
  add_color(2, 2, Rect{0, 0, 320, 240}, RGB(1, 1, 1), 5);
  EXPECT_EQ(s.color_value(2, 2), RGB(1, 1, 1));
}

TEST_F(ZoneTest, ClearAllStopsEveryZoneButKeepsLayerAndOutlines) {
  control().set_layer(1);
  add_color(1, 1, k25, kGreen, 10);
  add_motion(7, 1, k25, 10);
  control().set_layer(1);
  show(with_points(k25, 25, kGreen));
  take_events();
  control().clear_all();
  EXPECT_EQ(control().informatie().Caption(), "Preview mode");
  EXPECT_EQ(control().layer(), 1);
  EXPECT_TRUE(control().zone_weergave(1).Visible());
  EXPECT_EQ(control().zone_weergave(1).BorderColor(), kWhite);
  EXPECT_EQ(control().state().motion_percentage(7, 1), 0);
  show(PaintedFrame(0));
  show(with_points(k25, 25, RGB(1, 2, 3)));
  EXPECT_TRUE(take_events().empty());
  EXPECT_EQ(control().state().current_samples(13, 13), RGB(1, 2, 3));  // sampling goes on
}

struct Slot {
  Integer layer, zone;
};

class ZoneSlots : public ZoneTest, public ::testing::WithParamInterface<Slot> {};

TEST_P(ZoneSlots, OutOfRangeRaisesSubscriptErrorAndStoresNothing) {
  Slot s = GetParam();
  Integer left = 1, top = 1, w = 5, h = 5, pct = 10;
  Long colour = 1;
  for (int method = 0; method < 3; ++method) {
    try {
      if (method == 0) control().add_motion_detection(s.layer, s.zone, left, top, w, h, pct);
      if (method == 1) control().add_color_detection(s.layer, s.zone, left, top, w, h, colour, pct);
      if (method == 2) {
        if (s.layer >= 1 && s.layer <= 64) continue;  // Clear takes a layer only
        control().Clear(s.layer);
      }
      FAIL() << "method " << method << " accepted " << s.layer << "," << s.zone;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), errors::kSubscriptOutOfRange);
    }
  }
  const OrvexState& st = control().state();
  for (Integer l = 1; l <= 64; ++l) {
    for (Integer z = 1; z <= 64; ++z) {
      ASSERT_EQ(st.motion_percentage(l, z), 0);
      ASSERT_EQ(st.color_percentage(l, z), 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Slots, ZoneSlots,
                         ::testing::Values(Slot{0, 1}, Slot{65, 1}, Slot{-1, 1}, Slot{1, 0},
                                           Slot{1, 65}, Slot{2, -64}, Slot{32767, 32767},
                                           Slot{-32768, 1}));

// --- handlers ------------------------------------------------------------------------------

TEST_F(ZoneTest, HandlerWritingZoneMovesTheControlsZoneCounter) {
  control().set_layer(1);
  for (Integer z : {1, 2, 3, 4}) add_color(1, z, k25, kGreen, 10);
  on_event = [&](DispId, std::span<Variant> args) {
    if (args[1].to_integer() == 1) args[1].assign(Variant(Integer{3}));
  };
  show(with_points(k25, 25, kGreen));
  EXPECT_EQ(take_events(),
            (std::vector{color(1, 1, vbTrue, kGreen, 100), color(1, 4, vbTrue, kGreen, 100)}));
  EXPECT_EQ(control().state().zone_index, 65);
}

TEST_F(ZoneTest, HandlerWritingLayerSwitchesTheRemainingZones) {
  control().set_layer(1);
  add_color(1, 1, k25, kGreen, 10);
  add_color(1, 2, k25, kGreen, 10);
  add_color(2, 2, k25, kGreen, 10);
  on_event = [&](DispId, std::span<Variant> args) {
    if (args[0].to_integer() == 1) args[0].assign(Variant(Integer{2}));
  };
  show(with_points(k25, 25, kGreen));
  EXPECT_EQ(take_events(),
            (std::vector{color(1, 1, vbTrue, kGreen, 100), color(2, 2, vbTrue, kGreen, 100)}));
  EXPECT_EQ(control().layer(), 2);
}

TEST_F(ZoneTest, HandlerWritingColourChangesTheStoredColour) {
  control().set_layer(1);
  add_color(1, 1, k25, kGreen, 10);
  on_event = [&](DispId, std::span<Variant> args) { args[3].assign(Variant(Long{0x123456})); };
  show(with_points(k25, 25, kGreen));
  EXPECT_EQ(control().state().color_value(1, 1), 0x123456);
  show(with_points(k25, 25, kGreen));  // no longer the zone's colour
  EXPECT_EQ(take_events(),
            (std::vector{color(1, 1, vbTrue, kGreen, 100), color(1, 1, vbFalse, 0x123456, 0)}));
}

TEST_F(ZoneTest, HandlerCallsTakeEffectForZonesNotYetEvaluated) {
  control().set_layer(1);
  add_color(1, 1, k25, kGreen, 10);
  add_color(1, 2, k25, kGreen, 10);
  add_motion(1, 1, k25, 10);
  bool first = true;
  on_event = [&](DispId, std::span<Variant>) {
    if (!first) return;
    first = false;
    Integer layer = 1, zone = 3, left = 10, top = 10, w = 20, h = 20, pct = 10;
    Long colour = kGreen;
    control().add_color_detection(layer, zone, left, top, w, h, colour, pct);
    zone = 2;
    pct = 0;
    control().add_color_detection(layer, zone, left, top, w, h, colour, pct);
    control().add_motion_detection(layer, zone, left, top, w, h, pct);
  };
  show(with_points(k25, 25, kGreen));
  EXPECT_EQ(take_events(),
            (std::vector{color(1, 1, vbTrue, kGreen, 100), color(1, 3, vbTrue, kGreen, 100)}));
}

TEST_F(ZoneTest, HandlerLeavingTheTablesEndsTheFrameWithSubscriptError) {
  control().set_layer(1);
  add_color(1, 1, k25, kGreen, 10);
  add_color(1, 2, k25, kGreen, 10);
  on_event = [&](DispId, std::span<Variant> args) { args[0].assign(Variant(Integer{0})); };
  show(with_points(k25, 25, kGreen));
  EXPECT_EQ(take_events(), (std::vector{color(1, 1, vbTrue, kGreen, 100)}));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].number, errors::kSubscriptOutOfRange);
  show(with_points(k25, 25, kGreen));  // layer 0 now: no detection, no error
  EXPECT_EQ(reports.size(), 1u);
}

}  // namespace
}  // namespace zentrik::test
