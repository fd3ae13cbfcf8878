// WriteJpegFile: files that djpeg decodes to the picture (the right way up, colours in place, at
// the requested size and close to the requested quality), the record it hands the library, and
// its two failure messages, after which the record is released and usable again.
#include "zentrik/imaging/mIntelJPEGLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging_test_support.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/message_box.h"

namespace zentrik {
namespace {

using testing_support::decode_with_djpeg;
using testing_support::pixel_from_top;
using testing_support::Rgb;
using testing_support::ScratchFolder;

class JpegFile : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = set_presenter(boxes_); }
  void TearDown() override { set_presenter(previous_); }

  std::shared_ptr<ScriptedPresenter> boxes_ = std::make_shared<ScriptedPresenter>();
  std::shared_ptr<Presenter> previous_;
  ScratchFolder folder_;
};

// True when every pixel within `radius` of (x, y) has the same colour in the source, so JPEG's
// ringing at colour edges does not reach it.
bool in_flat_area(const cDIBSection& dib, int x, int y, int radius) {
  const Rgb centre = pixel_from_top(dib, x, y);
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const int nx = std::clamp(x + dx, 0, dib.Width() - 1);
      const int ny = std::clamp(y + dy, 0, dib.Height() - 1);
      if (!(pixel_from_top(dib, nx, ny) == centre)) return false;
    }
  }
  return true;
}

class JpegPicture : public JpegFile, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(JpegPicture, DecodesToTheRedFOnBlueTheRightWayUp) {
  const auto [width, height] = GetParam();
  cDIBSection dib;
  ASSERT_EQ(dib.Create(width, height), vbTrue);
  testing_support::paint_red_f_on_blue(dib);
  const std::string file = folder_.file("F.JPG");
  ASSERT_EQ(WriteJpegFile(dib, file, 90), vbTrue);
  EXPECT_TRUE(boxes_->boxes().empty());

  const auto decoded = decode_with_djpeg(file);
  ASSERT_TRUE(decoded.has_value());
  ASSERT_EQ(decoded->width, width);
  ASSERT_EQ(decoded->height, height);
  // A flip or a red/blue swap moves a channel by about 200; JPEG's own error stays far below.
  constexpr int kTolerance = 24;
  int compared = 0;
  int redSeen = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!in_flat_area(dib, x, y, 4)) continue;
      const Rgb want = pixel_from_top(dib, x, y);
      const std::uint8_t* got = decoded->at(x, y);
      ASSERT_NEAR(got[0], want.red, kTolerance) << "red at " << x << "," << y;
      ASSERT_NEAR(got[1], want.green, kTolerance) << "green at " << x << "," << y;
      ASSERT_NEAR(got[2], want.blue, kTolerance) << "blue at " << x << "," << y;
      ++compared;
      if (want.red > 200) ++redSeen;
    }
  }
  EXPECT_GE(compared, width >= 64 ? width * height / 3 : height / 4);
  if (width >= 64) {
    EXPECT_GT(redSeen, 0) << "the F itself was compared";
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegPicture,
                         ::testing::Values(std::pair{320, 240}, std::pair{321, 240},
                                           std::pair{1, 64}, std::pair{2, 64}, std::pair{3, 64},
                                           std::pair{97, 33}));

TEST_F(JpegFile, TheFileIsCloseToQuality90) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(320, 240), vbTrue);
  testing_support::paint_camera_frame(dib);
  const std::string file = folder_.file("q.jpg");
  ASSERT_EQ(WriteJpegFile(dib, file, 90), vbTrue);
  const auto tables = testing_support::jpeg_quant_tables(file);
  ASSERT_FALSE(tables.empty());
  EXPECT_NEAR(testing_support::estimate_jpeg_quality(tables[0]), 90, 1);
  ASSERT_TRUE(decode_with_djpeg(file).has_value());
}

// Entry points that record what they were given.
struct Calls {
  int init = 0, write = 0, free = 0;
  Long initStatus = ijl::kOk;
  Long writeStatus = ijl::kOk;
  JPEG_CORE_PROPERTIES seen;
  std::string file;
};
Calls calls;

Long fake_init(JPEG_CORE_PROPERTIES* p) {
  ++calls.init;
  return calls.initStatus != ijl::kOk ? calls.initStatus : ijlInit(p);
}
Long fake_write(JPEG_CORE_PROPERTIES* p, IJLIOTYPE op) {
  ++calls.write;
  calls.seen.DIBBytes = p->DIBBytes;
  calls.seen.DIBWidth = p->DIBWidth;
  calls.seen.DIBHeight = p->DIBHeight;
  calls.seen.DIBPadBytes = p->DIBPadBytes;
  calls.seen.DIBChannels = p->DIBChannels;
  calls.seen.DIBColor = p->DIBColor;
  calls.seen.JPGWidth = p->JPGWidth;
  calls.seen.JPGHeight = p->JPGHeight;
  calls.seen.JPGColor = p->JPGColor;
  calls.seen.jquality = p->jquality;
  calls.file = p->JPGFile ? p->JPGFile : "(none)";
  return calls.writeStatus != ijl::kOk ? calls.writeStatus : ijlWrite(p, op);
}
Long fake_free(JPEG_CORE_PROPERTIES* p) {
  ++calls.free;
  return ijlFree(p);
}

class JpegLibraryCalls : public JpegFile {
 protected:
  void SetUp() override {
    JpegFile::SetUp();
    calls = Calls{};
  }
  mIntelJPEGLibrary module_{IjlEntryPoints{&fake_init, &fake_write, &fake_free}};
};

TEST_F(JpegLibraryCalls, TheRecordDescribesTheBottomUpPaddedBuffer) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(321, 7), vbTrue);
  const std::string file = folder_.file("r.jpg");
  ASSERT_EQ(module_.WriteJpegFile(dib, file, 77), vbTrue);
  EXPECT_EQ(calls.seen.DIBBytes, dib.DIBSectionBitsPtr());
  EXPECT_EQ(calls.seen.DIBWidth, 321);
  EXPECT_EQ(calls.seen.DIBHeight, -7);
  EXPECT_EQ(calls.seen.DIBPadBytes, 1);
  EXPECT_EQ(calls.seen.DIBChannels, 3) << "left as initialised";
  EXPECT_EQ(calls.seen.DIBColor, IJL_COLOR::IJL_BGR);
  EXPECT_EQ(calls.seen.JPGColor, IJL_COLOR::IJL_YCBCR);
  EXPECT_EQ(calls.seen.JPGWidth, 321);
  EXPECT_EQ(calls.seen.JPGHeight, 7);
  EXPECT_EQ(calls.seen.jquality, 77);
  EXPECT_EQ(calls.file, file);
  EXPECT_EQ(calls.init, 1);
  EXPECT_EQ(calls.write, 1);
  EXPECT_EQ(calls.free, 1);
  EXPECT_FALSE(module_.record().state);
}

class JpegInitFailure : public JpegLibraryCalls, public ::testing::WithParamInterface<Long> {};

TEST_P(JpegInitFailure, ShowsTheStatusAndCallsNothingElse) {
  calls.initStatus = GetParam();
  cDIBSection dib;
  ASSERT_EQ(dib.Create(8, 8), vbTrue);
  EXPECT_EQ(module_.WriteJpegFile(dib, folder_.file("x.jpg"), 90), vbFalse);
  ASSERT_EQ(boxes_->boxes().size(), 1u);
  EXPECT_EQ(boxes_->boxes()[0].text,
            "Failed to initialise the IJL library: " + std::to_string(GetParam()));
  EXPECT_EQ(boxes_->boxes()[0].style, 48);
  EXPECT_EQ(boxes_->boxes()[0].title, "Zentrik");
  EXPECT_EQ(calls.write, 0);
  EXPECT_EQ(calls.free, 0);
  EXPECT_TRUE(folder_.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Statuses, JpegInitFailure, ::testing::Values(-1, -5, -24));

TEST_F(JpegLibraryCalls, TheMinusOneStatusReadsMinusOne) {
  calls.initStatus = -1;
  cDIBSection dib;
  ASSERT_EQ(dib.Create(8, 8), vbTrue);
  module_.WriteJpegFile(dib, folder_.file("x.jpg"), 90);
  ASSERT_EQ(boxes_->boxes().size(), 1u);
  EXPECT_EQ(boxes_->boxes()[0].text, "Failed to initialise the IJL library: -1");
}

TEST_F(JpegLibraryCalls, AFailedWriteIsReportedAndTheRecordReleasedAndUsableAgain) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(64, 48), vbTrue);
  testing_support::paint_red_f_on_blue(dib);
  EXPECT_EQ(module_.WriteJpegFile(dib, folder_.file("absent/x.jpg"), 90), vbFalse);
  ASSERT_EQ(boxes_->boxes().size(), 1u);
  EXPECT_EQ(boxes_->boxes()[0].text, "Failed to save to JPG");
  EXPECT_EQ(boxes_->boxes()[0].style, 48);
  EXPECT_EQ(boxes_->boxes()[0].title, "Zentrik");
  EXPECT_EQ(module_.lastStatus(), ijl::kFileError);
  EXPECT_EQ(calls.free, 1);
  EXPECT_FALSE(module_.record().state) << "released after the failed write";
  EXPECT_TRUE(folder_.entries().empty());

  const std::string file = folder_.file("x.jpg");
  EXPECT_EQ(module_.WriteJpegFile(dib, file, 90), vbTrue);
  EXPECT_EQ(boxes_->boxes().size(), 1u) << "no new message";
  EXPECT_EQ(calls.init, 2);
  EXPECT_EQ(calls.free, 2);
  EXPECT_TRUE(decode_with_djpeg(file).has_value());
}

TEST_F(JpegLibraryCalls, AWriteStatusOtherThanZeroIsAFailure) {
  calls.writeStatus = 3;  // not an error code, but not success either
  cDIBSection dib;
  ASSERT_EQ(dib.Create(8, 8), vbTrue);
  EXPECT_EQ(module_.WriteJpegFile(dib, folder_.file("x.jpg"), 90), vbFalse);
  ASSERT_EQ(boxes_->boxes().size(), 1u);
  EXPECT_EQ(boxes_->boxes()[0].text, "Failed to save to JPG");
  EXPECT_EQ(calls.free, 1);
}

TEST_F(JpegFile, AnEmptyBufferIsAFailedWriteNotACrash) {
  cDIBSection dib;
  EXPECT_EQ(WriteJpegFile(dib, folder_.file("e.jpg"), 90), vbFalse);
  ASSERT_EQ(dib.Create(4, 4), vbTrue);
  dib.ClearUp();
  EXPECT_EQ(WriteJpegFile(dib, folder_.file("e.jpg"), 90), vbFalse);
  ASSERT_EQ(boxes_->boxes().size(), 2u);
  EXPECT_EQ(boxes_->boxes()[1].text, "Failed to save to JPG");
  EXPECT_TRUE(folder_.entries().empty());
}

}  // namespace
}  // namespace zentrik
