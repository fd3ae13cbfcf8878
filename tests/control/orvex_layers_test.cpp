// Choosing the layer (the range check, its message and the status caption), the picture
// property, and the pixel read-out with its exact text.
#include <limits>

#include "control_fixture.h"

namespace zentrik::test {
namespace {

using OrvexLayer = ControlTest;

TEST_F(OrvexLayer, RejectedWriteOnANewControlLeavesLayerOne) {
  orvex& c = control();
  std::vector<std::string> changed;
  c.on_property_changed([&](std::string_view name) { changed.emplace_back(name); });
  c.set_layer(0);
  ASSERT_EQ(presenter->boxes().size(), 1u);
  EXPECT_EQ(presenter->boxes()[0].text, "Layer must be between 1 and 64");
  EXPECT_EQ(presenter->boxes()[0].style, vbCritical | vbOKOnly);
  EXPECT_EQ(presenter->boxes()[0].title, "Zentrik");
  EXPECT_EQ(c.layer(), 1);
  EXPECT_EQ(c.informatie().Caption(), "Layer 1 activated ...");
  EXPECT_EQ(changed, std::vector<std::string>{"layer"});
}

struct LayerWrite {
  Integer before;  // 0: a new control
  Integer written;
  Integer after;
  bool rejected;
};

class OrvexLayerWrites : public ControlTest, public ::testing::WithParamInterface<LayerWrite> {};

TEST_P(OrvexLayerWrites, AcceptsOneToSixtyFourAndRestoresOtherwise) {
  const LayerWrite w = GetParam();
  orvex& c = control();
  if (w.before != 0) c.set_layer(w.before);
  presenter->clear();
  c.set_layer(w.written);
  EXPECT_EQ(c.layer(), w.after);
  EXPECT_EQ(presenter->boxes().size(), w.rejected ? 1u : 0u);
  EXPECT_EQ(c.informatie().Caption(), "Layer " + std::to_string(w.after) + " activated ...");
}

INSTANTIATE_TEST_SUITE_P(Writes, OrvexLayerWrites,
                         ::testing::Values(LayerWrite{3, 5, 5, false}, LayerWrite{7, 0, 7, true},
                                           LayerWrite{7, 65, 7, true}, LayerWrite{7, -3, 7, true},
                                           LayerWrite{7, 32767, 7, true},
                                           LayerWrite{0, 64, 64, false}, LayerWrite{0, 1, 1, false},
                                           LayerWrite{0, -32768, 1, true},
                                           LayerWrite{64, 65, 64, true}));

TEST_F(OrvexLayer, NoOutOfRangeLayerIsSeenWhileTheBoxIsUp) {
  orvex& c = control();
  c.set_layer(9);
  // A presenter whose box lets frames through (a real modal loop does).
  class Pump : public Presenter {
   public:
    explicit Pump(orvex* c) : control_(c) {}
    Long message_box(const std::string&, Long, const std::string&) override {
      seen = control_->layer();
      control_->video().deliver_frames(1);
      return vbOK;
    }
    void show_modal(ModalForm& form) override { form.RunModal(); }
    Integer seen = 0;

   private:
    orvex* control_;
  };
  auto pump = std::make_shared<Pump>(&c);
  set_presenter(pump);
  c.set_layer(100);
  EXPECT_EQ(pump->seen, 9);
  EXPECT_TRUE(reports.empty());
  set_presenter(presenter);
}

using OrvexPicture = ControlTest;

TEST_F(OrvexPicture, TrueGivesTheGrabbedFrameAnythingElseTheDisplayedOne) {
  orvex& c = control();
  show(PaintedFrame(RGB(1, 2, 3)));
  EXPECT_EQ(c.picture(vbTrue), c.tmp().Picture());
  EXPECT_EQ(c.picture(vbFalse), c.beeld().Picture());
  EXPECT_EQ(c.picture(1), c.beeld().Picture());
  Variant arg = Variant::from_boolean(1);
  EXPECT_EQ(c.invoke(OrvexTypeLibrary::kPicture, MemberKind::PropertyGet, std::span(&arg, 1))
                .to_picture(),
            c.beeld().Picture());
}

struct Click {
  float x, y;
  Long px, py;       // a pixel painted on a white frame
  ColorRef painted;  // its colour; -2: no frame at all (the white background)
  const char* text;
};

class OrvexReadout : public ControlTest, public ::testing::WithParamInterface<Click> {};

TEST_P(OrvexReadout, ShowsPositionAndColourInTheMessage) {
  const Click click = GetParam();
  orvex& c = control();
  if (click.painted != -2) {
    show(PaintedFrame(0xFFFFFF).set(click.px, click.py, click.painted));
  }
  c.preview_mouse_down(1, 0, click.x, click.y);
  ASSERT_EQ(presenter->boxes().size(), 1u);
  EXPECT_EQ(presenter->boxes()[0].text, click.text);
  EXPECT_EQ(presenter->boxes()[0].style, vbInformation | vbOKOnly);
  EXPECT_EQ(presenter->boxes()[0].title, "Zentrik");
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, OrvexReadout,
    ::testing::Values(
        Click{1500, 750, 0, 0, -2, "X = 100 * Y = 50 * colorvalue =  16777215 (as long variable)"},
        Click{0, 0, 0, 0, RGB(1, 0, 0), "X = 0 * Y = 0 * colorvalue =  1 (as long variable)"},
        Click{15 * 319, 15 * 239, 319, 239, 0,
              "X = 319 * Y = 239 * colorvalue =  0 (as long variable)"},
        Click{1507, 750, 0, 0, -2,
              "X = 100.4667 * Y = 50 * colorvalue =  16777215 (as long variable)"},
        Click{4800, 100, 0, 0, -2, "X = 320 * Y = 6.666667 * colorvalue = -1 (as long variable)"},
        Click{-15, 30, 0, 0, -2, "X = -1 * Y = 2 * colorvalue = -1 (as long variable)"},
        // 2.5 and 1.5: halves go to the even neighbour, (2, 2)
        Click{37.5f, 22.5f, 3, 2, RGB(0, 0, 7),
              "X = 2.5 * Y = 1.5 * colorvalue =  16777215 (as long variable)"},
        Click{37.5f, 22.5f, 2, 2, RGB(0, 0, 7),
              "X = 2.5 * Y = 1.5 * colorvalue =  458752 (as long variable)"}));

TEST_F(OrvexReadout, NumbersNoPixelCanHoldReadAsOutside) {
  orvex& c = control();
  c.preview_mouse_down(1, 0, std::numeric_limits<float>::infinity(), 1e30f);
  ASSERT_EQ(presenter->boxes().size(), 1u);
  EXPECT_NE(presenter->boxes()[0].text.find("colorvalue = -1 (as long variable)"),
            std::string::npos)
      << presenter->boxes()[0].text;
}

}  // namespace
}  // namespace zentrik::test
