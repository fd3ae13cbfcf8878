// Snapshots and colour depth: each snapshot path and the file it writes (JPEG and bitmap, full
// colour and as displayed), requests never served, two requests between frames, failures, and
// the preview at the colour depths 16, 100, 256, 65534, 65535 and above.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "control_fixture.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/colourdepth/cDIBSectionSave.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/imaging/mIntelJPEGLibrary.h"
#include "zentrik/platform/clipboard.h"

namespace fs = std::filesystem;

namespace zentrik::test {
namespace {

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Colours no palette holds, so that every reduction shows.
PaintedFrame odd_colours() {
  PaintedFrame f;
  for (Long y = 0; y < kFrameHeight; ++y)
    for (Long x = 0; x < kFrameWidth; ++x)
      f.set(x, y,
            RGB(static_cast<Byte>(37 + x / 2), static_cast<Byte>(101 + y / 3),
                static_cast<Byte>(13 + (x + y) / 4)));
  return f;
}

class OrvexSnapshot : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    dir = fs::temp_directory_path() /
          ("zentrik_control_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    ControlTest::TearDown();
    fs::remove_all(dir);
  }

  void request(const std::string& name, Boolean truecolor) {
    std::string file = name;
    control().save_picture(file, truecolor);
  }
  // What the JPEG writer makes of `picture` at quality 90.
  std::string jpeg_of(const PicturePtr& picture) {
    cDIBSection dib;
    dib.CreateFromPicture(*picture);
    const fs::path reference = dir / "reference.jpg";
    WriteJpegFile(dib, reference.string(), 90);
    std::string bytes = read_file(reference);
    fs::remove(reference);
    return bytes;
  }
  // What the picture-saving service makes of `picture`.
  std::string bitmap_of(const PicturePtr& picture) {
    const fs::path reference = dir / "reference.bmp";
    SavePicture(*picture, reference.string());
    std::string bytes = read_file(reference);
    fs::remove(reference);
    return bytes;
  }
  std::vector<std::string> files() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
};

TEST_F(OrvexSnapshot, JpegOfTheUnreducedFrameKeepsTheNamesCase) {
  control().set_colordepth(16);
  request((dir / "Shot.jpg").string(), vbTrue);
  show(odd_colours());
  ASSERT_EQ(files(), std::vector<std::string>{"Shot.jpg"});
  const std::string written = read_file(dir / "Shot.jpg");
  EXPECT_EQ(written.substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(written, jpeg_of(control().picture(vbTrue)));
  EXPECT_NE(written, jpeg_of(control().picture(vbFalse)));
  EXPECT_EQ(control().state().snapshot_file, "");
  show(odd_colours(), 2);  // served once only
  EXPECT_EQ(files().size(), 1u);
}

TEST_F(OrvexSnapshot, BitmapOfTheDisplayedPictureUnderTheTrimmedName) {
  control().set_colordepth(16);
  request("  " + (dir / "x.jpeg").string() + "  ", vbFalse);
  show(odd_colours());
  ASSERT_EQ(files(), std::vector<std::string>{"x.jpeg"});
  const std::string written = read_file(dir / "x.jpeg");
  EXPECT_EQ(written.substr(0, 2), "BM");
  EXPECT_EQ(written, bitmap_of(control().picture(vbFalse)));
  EXPECT_NE(written, bitmap_of(control().picture(vbTrue)));
}

struct SnapshotPath {
  const char* name;
  Boolean truecolor;
  bool jpeg;
};

class OrvexSnapshotPaths : public OrvexSnapshot,
                           public ::testing::WithParamInterface<SnapshotPath> {};

TEST_P(OrvexSnapshotPaths, WritesTheRightPictureInTheRightFormat) {
  const SnapshotPath p = GetParam();
  control().set_colordepth(256);
  control().set_layer(1);  // with or without detection alike
  request((dir / p.name).string(), p.truecolor);
  show(odd_colours());
  ASSERT_EQ(files(), std::vector<std::string>{p.name});
  const std::string written = read_file(dir / p.name);
  const PicturePtr source = control().picture(p.truecolor);
  EXPECT_EQ(written, p.jpeg ? jpeg_of(source) : bitmap_of(source));
}

INSTANTIATE_TEST_SUITE_P(Paths, OrvexSnapshotPaths,
                         ::testing::Values(SnapshotPath{"full.JPG", vbTrue, true},
                                           SnapshotPath{"shown.jPg", vbFalse, true},
                                           SnapshotPath{"full.bmp", vbTrue, false},
                                           SnapshotPath{"shown.bmp", vbFalse, false},
                                           SnapshotPath{"shown.jpgx", vbFalse, false}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(OrvexSnapshot, RequestsThatCanNeverBeServedStayPending) {
  request("a.b", vbTrue);
  show(odd_colours(), 3);
  EXPECT_EQ(control().state().snapshot_file, "a.b");
  const std::string odd = (dir / "odd.bmp").string();
  request(odd, 1);  // neither True nor False
  show(odd_colours(), 3);
  EXPECT_EQ(control().state().snapshot_file, odd);
  EXPECT_TRUE(files().empty());
  EXPECT_FALSE(fs::exists("a.b"));
}

TEST_F(OrvexSnapshot, OnlyTheLastOfTwoRequestsIsServed) {
  request((dir / "first.bmp").string(), vbTrue);
  request((dir / "second.bmp").string(), vbFalse);
  show(odd_colours());
  EXPECT_EQ(files(), std::vector<std::string>{"second.bmp"});
}

TEST_F(OrvexSnapshot, FailedJpegIsReportedByItsWriterAndTheFrameGoesOn) {
  control().set_layer(1);
  request((dir / "missing" / "a.jpg").string(), vbTrue);
  const PaintedFrame frame = odd_colours();
  show(frame);
  ASSERT_EQ(presenter->boxes().size(), 1u);
  EXPECT_EQ(presenter->boxes()[0].text, "Failed to save to JPG");
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(control().state().snapshot_file, "");
  EXPECT_EQ(control().state().current_samples(5, 5), frame.at(5, 5));
}

TEST_F(OrvexSnapshot, FailedReducedBitmapEndsItsFrameAfterThePreview) {
  control().set_layer(1);
  request((dir / "missing" / "a.bmp").string(), vbFalse);
  const PaintedFrame frame = odd_colours();
  show(frame);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].number, errors::kPathFileAccess);
  EXPECT_EQ(GetPixel(control().beeld().hDC(), 5, 5), frame.at(5, 5));  // step 4 ran
  EXPECT_EQ(control().state().current_samples(5, 5), 0);               // step 6 did not
  show(frame);
  EXPECT_EQ(reports.size(), 1u);
  EXPECT_EQ(control().state().current_samples(5, 5), frame.at(5, 5));
}

TEST_F(OrvexSnapshot, SnapshotReplacesAnExistingFile) {
  const fs::path target = dir / "again.bmp";
  std::ofstream(target) << "old contents";
  request(target.string(), vbTrue);
  show(odd_colours());
  EXPECT_EQ(read_file(target), bitmap_of(control().picture(vbTrue)));
}

TEST_F(OrvexSnapshot, BusyClipboardNeverPutsAnotherPictureOnThePreview) {
  control().set_colordepth(16);
  show(PaintedFrame(RGB(255, 0, 0)));
  clipboard_set_busy(true);
  show(PaintedFrame(RGB(0, 0, 255)));
  const ColorRef shown = GetPixel(control().beeld().hDC(), 50, 50);
  clipboard_set_busy(false);
  EXPECT_EQ(shown, RGB(0, 0, 255));  // the new frame, reduced (blue is one of the 16)
  EXPECT_TRUE(reports.empty());
}

// --- colour depth --------------------------------------------------------------------------

enum class Reduction { None, Sixteen, TwoFiftySix };

struct DepthCase {
  Long colordepth;
  Reduction expected;
};

class OrvexColourDepth : public ControlTest, public ::testing::WithParamInterface<DepthCase> {
 protected:
  static std::set<ColorRef> palette_colours(Reduction r) {
    cPalette palette;
    if (r == Reduction::Sixteen) {
      palette.Create16Colour();
    } else {
      palette.CreateHalfTone();
    }
    std::set<ColorRef> colours;
    for (const PaletteEntry& e : palette.entries()) colours.insert(RGB(e.red, e.green, e.blue));
    return colours;
  }
};

TEST_P(OrvexColourDepth, PreviewAndSamplesShowTheReducedColours) {
  const DepthCase c = GetParam();
  control().set_colordepth(c.colordepth);
  control().set_layer(1);
  const PaintedFrame frame = odd_colours();
  show(frame);
  EXPECT_EQ(control().colordepth(), c.colordepth);
  const HDC beeld = control().beeld().hDC();
  std::set<ColorRef> shown;
  for (Long y = 1; y <= 217; y += 4) {
    for (Long x = 1; x <= 317; x += 4) {
      shown.insert(control().state().current_samples(x, y));
      ASSERT_EQ(control().state().current_samples(x, y), GetPixel(beeld, x, y));
      ASSERT_EQ(GetPixel(control().tmp().hDC(), x, y), frame.at(x, y));  // tmp keeps the frame
    }
  }
  if (c.expected == Reduction::None) {
    EXPECT_EQ(GetPixel(beeld, 100, 100), frame.at(100, 100));
    EXPECT_EQ(control().picture(vbFalse), control().picture(vbTrue));
    return;
  }
  const std::set<ColorRef> allowed = palette_colours(c.expected);
  for (ColorRef colour : shown) EXPECT_TRUE(allowed.count(colour)) << std::hex << colour;
  if (c.expected == Reduction::TwoFiftySix) {
    const std::set<ColorRef> sixteen = palette_colours(Reduction::Sixteen);
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(),
                            [&](ColorRef colour) { return sixteen.count(colour) == 0; }));
  }
  // The reduced frame went through the clipboard.
  EXPECT_EQ(ClipboardGetData()->Type(), Picture::Kind::Bitmap);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, OrvexColourDepth,
    ::testing::Values(DepthCase{16, Reduction::Sixteen}, DepthCase{100, Reduction::Sixteen},
                      DepthCase{0, Reduction::Sixteen}, DepthCase{-5, Reduction::Sixteen},
                      DepthCase{255, Reduction::Sixteen}, DepthCase{256, Reduction::TwoFiftySix},
                      DepthCase{257, Reduction::Sixteen}, DepthCase{65534, Reduction::Sixteen},
                      DepthCase{65535, Reduction::None}, DepthCase{65536, Reduction::None},
                      DepthCase{2147483647, Reduction::None}),
    [](const auto& info) { return "depth" + std::to_string(info.index); });

TEST_F(OrvexColourDepth, SixteenAndAHundredGiveTheSamePicture) {
  const PaintedFrame frame = odd_colours();
  control().set_colordepth(16);
  show(frame);
  std::vector<ColorRef> a, b;
  for (Long x = 0; x < 320; x += 7) a.push_back(GetPixel(control().beeld().hDC(), x, x % 240));
  control().set_colordepth(100);
  show(frame);
  for (Long x = 0; x < 320; x += 7) b.push_back(GetPixel(control().beeld().hDC(), x, x % 240));
  EXPECT_EQ(a, b);
  control().set_colordepth(256);
  show(frame);
  std::vector<ColorRef> c;
  for (Long x = 0; x < 320; x += 7) c.push_back(GetPixel(control().beeld().hDC(), x, x % 240));
  EXPECT_NE(a, c);
}

// A frame the control reduced before is not reduced again: what it shows must still be, frame for
// frame, what reducing the grabbed picture afresh gives, through repeats, depth changes and
// returns to an earlier picture.
TEST_F(OrvexColourDepth, RepeatedFramesShowAFreshReduction) {
  const PaintedFrame first = odd_colours();
  const PaintedFrame second = PaintedFrame(first).rect(100, 60, 40, 30, RGB(200, 90, 10));
  const std::pair<const PaintedFrame*, Long> steps[] = {
      {&first, 16},   {&first, 16},  {&first, 256}, {&first, 256}, {&second, 256},
      {&second, 256}, {&first, 256}, {&first, 16},  {&second, 16}, {&second, 65535},
      {&second, 16},  {&second, 16}, {&first, 100}, {&first, 16}};
  auto bits = [](const cDIBSection& dib) {
    const Byte* start = dib.DIBSectionBitsPtr();
    return std::vector<Byte>(start, start + dib.BytesPerScanLine() * dib.Height());
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const Long depth = steps[i].second;
    control().set_colordepth(depth);
    show(*steps[i].first);
    cDIBSection shown, fresh;
    shown.CreateFromPicture(*control().picture(vbFalse));
    fresh.CreateFromPicture(*control().picture(vbTrue));
    if (depth < 65535) cDIBSectionSave().Save("", fresh, nullptr, depth == 256 ? 2 : 1, 0);
    ASSERT_EQ(bits(shown), bits(fresh)) << "step " << i;
  }
}

}  // namespace
}  // namespace zentrik::test
