// The frame pipeline: the grabbed frame in `tmp` and on `beeld`, the sampling grid and the
// sample tables, detection only with a layer, the order of the steps, the capture window's DC
// handed back, and a failing step ending its frame only.
#include <filesystem>

#include "control_fixture.h"
#include "zentrik/platform/gdi.h"

namespace zentrik::test {
namespace {

// A different colour at every pixel, so that a misplaced read shows.
PaintedFrame gradient(Byte salt) {
  PaintedFrame f;
  for (Long y = 0; y < kFrameHeight; ++y)
    for (Long x = 0; x < kFrameWidth; ++x)
      f.set(x, y,
            RGB(static_cast<Byte>(x), static_cast<Byte>(y), static_cast<Byte>(salt + x / 256)));
  return f;
}

using OrvexPipeline = ControlTest;

TEST_F(OrvexPipeline, FrameIsGrabbedIntoTmpAndShownOnBeeld) {
  orvex& c = control();
  const PaintedFrame frame = gradient(40);
  show(frame);
  EXPECT_EQ(c.state().frame_count, 1);
  ASSERT_EQ(c.tmp().Picture()->Type(), Picture::Kind::Bitmap);
  EXPECT_EQ(c.tmp().Picture()->Width(), 320);
  EXPECT_EQ(c.tmp().Picture()->Height(), 240);
  EXPECT_EQ(c.beeld().Picture(), c.tmp().Picture());  // full colour: the same picture
  for (auto [x, y] : {std::pair{0, 0}, {319, 0}, {0, 239}, {319, 239}, {123, 77}, {255, 128}}) {
    EXPECT_EQ(GetPixel(c.tmp().hDC(), x, y), frame.at(x, y)) << x << "," << y;
    EXPECT_EQ(GetPixel(c.beeld().hDC(), x, y), frame.at(x, y)) << x << "," << y;
  }
  const PaintedFrame next = gradient(90);
  show(next);
  EXPECT_EQ(GetPixel(c.beeld().hDC(), 200, 100), next.at(200, 100));
  EXPECT_EQ(c.state().frame_count, 2);
}

TEST_F(OrvexPipeline, LayerZeroUpdatesThePreviewWithoutSampling) {
  orvex& c = control();
  Integer layer = 1, zone = 1, left = 0, top = 0, w = 320, h = 240, pct = 1;
  c.add_motion_detection(layer, zone, left, top, w, h, pct);
  show(gradient(1), 3);
  for (Long x = 1; x <= 317; x += 4)
    for (Long y = 1; y <= 217; y += 4) ASSERT_EQ(c.state().current_samples(x, y), 0);
  EXPECT_TRUE(take_events().empty());
  EXPECT_EQ(GetPixel(c.beeld().hDC(), 5, 5), gradient(1).at(5, 5));
}

TEST_F(OrvexPipeline, SamplesTheGridOfEveryFourthPixelFromTheDisplayedPicture) {
  orvex& c = control();
  c.set_layer(1);
  const PaintedFrame first = gradient(10);
  show(first);
  const OrvexState& s = c.state();
  for (Long x = 1; x <= 320; ++x) {
    for (Long y = 1; y <= 240; ++y) {
      const bool grid = (x - 1) % 4 == 0 && (y - 1) % 4 == 0 && x <= 317 && y <= 217;
      ASSERT_EQ(s.current_samples(x, y), grid ? first.at(x, y) : 0) << x << "," << y;
      ASSERT_EQ(s.previous_samples(x, y), 0) << x << "," << y;
    }
  }
  const PaintedFrame second = gradient(20);
  show(second);
  for (Long x = 1; x <= 317; x += 4) {
    for (Long y = 1; y <= 217; y += 4) {
      ASSERT_EQ(s.previous_samples(x, y), first.at(x, y));
      ASSERT_EQ(s.current_samples(x, y), second.at(x, y));
    }
  }
}

TEST_F(OrvexPipeline, PointsOffTheGridNeverCount) {
  orvex& c = control();
  c.set_layer(1);
  Integer layer = 1, zone = 1, left = 0, top = 0, w = 320, h = 240, pct = 1;
  c.add_motion_detection(layer, zone, left, top, w, h, pct);
  show(PaintedFrame(0));
  PaintedFrame changed(0);
  // Everything but the grid lines changes: columns 318, 319 and rows 218..239 included.
  for (Long y = 0; y < 240; ++y)
    for (Long x = 0; x < 320; ++x)
      if ((x - 1) % 4 != 0 || (y - 1) % 4 != 0 || x > 317 || y > 217) changed.set(x, y, 0xFFFFFF);
  show(changed);
  EXPECT_TRUE(take_events().empty());
  changed.set(317, 217, 0x0000FF);  // one grid point of 4,266: 0.02 % is below 1 %
  show(changed);
  EXPECT_TRUE(take_events().empty());
  EXPECT_EQ(c.state().current_samples(317, 217), 0x0000FF);
}

TEST_F(OrvexPipeline, FirstSampledFrameComparesAgainstBlack) {
  orvex& c = control();
  show(PaintedFrame(0x0000FF), 2);  // frames before any layer leave the samples black
  c.set_layer(1);
  Integer layer = 1, zone = 4, left = 0, top = 0, w = 320, h = 240, pct = 100;
  c.add_motion_detection(layer, zone, left, top, w, h, pct);
  show(PaintedFrame(0x0000FF));
  EXPECT_EQ(take_events(), (std::vector{motion(1, 4, vbTrue, 100)}));
}

TEST_F(OrvexPipeline, DetectionRunsAfterThePreviewAndColourZonesBeforeMotionZones) {
  orvex& c = control();
  c.set_layer(2);
  Integer layer = 2, zone = 9, left = 0, top = 0, w = 320, h = 240, pct = 50;
  Long green = RGB(0, 255, 0);
  c.add_motion_detection(layer, zone, left, top, w, h, pct);
  Integer other = 3;
  c.add_color_detection(layer, other, left, top, w, h, green, pct);
  ColorRef seen = 0;
  on_event = [&](DispId, std::span<Variant>) { seen = GetPixel(c.beeld().hDC(), 160, 120); };
  show(PaintedFrame(green));
  EXPECT_EQ(take_events(),
            (std::vector{color(2, 3, vbTrue, green, 100), motion(2, 9, vbTrue, 100)}));
  EXPECT_EQ(seen, green);  // handlers see the frame they are told about
}

TEST_F(OrvexPipeline, CaptureWindowDcIsHandedBackEveryFrame) {
  orvex& c = control();
  show(gradient(3));
  const std::size_t objects = gdi_object_count();
  show(gradient(4), 50);
  EXPECT_EQ(gdi_object_count(), objects);
  EXPECT_EQ(c.state().capture_dc, 0);
}

TEST_F(OrvexPipeline, FailingStepEndsItsFrameOnlyAndIsReported) {
  orvex& c = control();
  c.set_layer(1);
  const PaintedFrame first = gradient(5), second = gradient(6);
  show(first);
  std::string name =
      (std::filesystem::temp_directory_path() / "no-such-dir-zentrik" / "x.bmp").string();
  Boolean truecolor = vbTrue;
  c.save_picture(name, truecolor);
  show(second);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].number, errors::kPathFileAccess);
  // The failing full-colour snapshot came before the preview and the sampling.
  EXPECT_EQ(GetPixel(c.beeld().hDC(), 9, 9), first.at(9, 9));
  EXPECT_EQ(c.state().current_samples(9, 9), first.at(9, 9));
  EXPECT_EQ(c.state().frame_count, 2);
  // The request is gone: the next frame runs in full.
  EXPECT_EQ(c.state().snapshot_file, "");
  show(second);
  EXPECT_EQ(reports.size(), 1u);
  EXPECT_EQ(GetPixel(c.beeld().hDC(), 9, 9), second.at(9, 9));
  EXPECT_EQ(c.state().current_samples(9, 9), second.at(9, 9));
  EXPECT_EQ(c.state().capture_dc, 0);
}

}  // namespace
}  // namespace zentrik::test
