// cDIBSectionSave: after depth 1 every pixel is the nearest of the 16 standard colours, after
// depth 2 without a palette one of the halftone colours; other depths change nothing; a short
// palette leaves the rest of the table as the object last had it; the pre-reduction modes leave
// the image holding only the palette's colours.
#include "zentrik/colourdepth/cDIBSectionSave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "imaging_test_support.h"
#include "platform/nearest_colour.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/message_box.h"

namespace zentrik {
namespace {

using testing_support::paint_camera_frame;
using testing_support::pixel_from_top;
using testing_support::Rgb;

std::vector<Byte> bytes_of(const cDIBSection& dib) {
  const ByteView bits = dib.view();
  return {bits.data(), bits.data() + bits.stride() * bits.rows()};
}

std::vector<RgbQuad> table_of(const cPalette& palette) {
  std::vector<RgbQuad> table;
  for (const PaletteEntry& e : palette.entries()) table.push_back({e.blue, e.green, e.red, 0});
  return table;
}

// The squared distance from a colour to the nearest entry of the table.
int nearest_distance(const std::vector<RgbQuad>& table, Rgb c) {
  int best = 1 << 30;
  for (const RgbQuad& q : table) {
    const int dr = c.red - q.rgbRed;
    const int dg = c.green - q.rgbGreen;
    const int db = c.blue - q.rgbBlue;
    best = std::min(best, dr * dr + dg * dg + db * db);
  }
  return best;
}

bool in_table(const std::vector<RgbQuad>& table, Rgb c) {
  return std::any_of(table.begin(), table.end(), [&](const RgbQuad& q) {
    return q.rgbRed == c.red && q.rgbGreen == c.green && q.rgbBlue == c.blue;
  });
}

class SaveConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(image_.Create(64, 48), vbTrue);
    paint_camera_frame(image_, 11);
    ASSERT_EQ(original_.Create(64, 48), vbTrue);
    original_.LoadPictureBlt(image_.hdc(), 0, 0, -1, -1, SRCCOPY);
  }

  cDIBSectionSave converter_;
  cDIBSection image_;
  cDIBSection original_;
};

TEST_F(SaveConversion, Depth1LeavesEveryPixelTheNearestOfThe16StandardColours) {
  cPalette standard;
  standard.Create16Colour();
  const auto table = table_of(standard);
  ASSERT_EQ(table.size(), 16u);
  EXPECT_EQ(converter_.Save("", image_, nullptr, 1, 0), vbFalse);
  std::set<std::uint32_t> used;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const Rgb got = pixel_from_top(image_, x, y);
      ASSERT_TRUE(in_table(table, got)) << x << "," << y;
      const Rgb was = pixel_from_top(original_, x, y);
      const int dr = got.red - was.red, dg = got.green - was.green, db = got.blue - was.blue;
      ASSERT_EQ(dr * dr + dg * dg + db * db, nearest_distance(table, was)) << x << "," << y;
      used.insert(static_cast<std::uint32_t>(got.red << 16 | got.green << 8 | got.blue));
    }
  }
  EXPECT_GT(used.size(), 1u);
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(converter_.info16().bmiColors[i], table[i]);
  EXPECT_EQ(converter_.info16().bmiHeader.biBitCount, 4);
  EXPECT_EQ(converter_.info16().bmiHeader.biSizeImage, 48u * 32u);
}

TEST_F(SaveConversion, Depth2WithoutAPaletteLeavesHalftoneColours) {
  cPalette halftone;
  halftone.CreateHalfTone();
  const auto table = table_of(halftone);
  EXPECT_EQ(converter_.Save("", image_, nullptr, 2, 0), vbFalse);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const Rgb was = pixel_from_top(original_, x, y);
      const Rgb got = pixel_from_top(image_, x, y);
      ASSERT_TRUE(in_table(table, got)) << x << "," << y;
      // The platform's exact mapping: the entry with the lowest index among the nearest.
      const Byte index =
          nearest_colour_reference(table, static_cast<Byte>(was.red), static_cast<Byte>(was.green),
                                   static_cast<Byte>(was.blue));
      ASSERT_EQ(got, (Rgb{table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue}));
    }
  }
  EXPECT_EQ(converter_.info256().bmiHeader.biBitCount, 8);
  EXPECT_EQ(converter_.info256().bmiHeader.biSizeImage, 48u * 64u);
}

TEST_F(SaveConversion, OtherDepthsLeaveTheImageUnchanged) {
  const auto before = bytes_of(image_);
  for (const Long depth : {0, 3, -1, 256}) {
    for (const Long method : {0, 1, 2}) {
      EXPECT_EQ(converter_.Save("", image_, nullptr, depth, method), vbFalse);
      EXPECT_EQ(bytes_of(image_), before) << "depth " << depth << " method " << method;
    }
  }
}

TEST_F(SaveConversion, AShortPaletteKeepsTheRestOfTheTableAsItWas) {
  // The first call fills all 256 entries with the halftone colours.
  ASSERT_EQ(converter_.Save("", image_, nullptr, 2, 0), vbFalse);
  const BitmapInfoN<256> before = converter_.info256();
  cPalette ten;
  for (int i = 0; i < 10; ++i) ten.Add(i * 25, 255 - i * 20, (i * 77) % 256);
  image_.LoadPictureBlt(original_.hdc(), 0, 0, -1, -1, SRCCOPY);
  ASSERT_EQ(converter_.Save("", image_, &ten, 2, 0), vbFalse);
  const auto& after = converter_.info256().bmiColors;
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(after[i], (RgbQuad{static_cast<Byte>((i * 77) % 256), static_cast<Byte>(255 - i * 20),
                                 static_cast<Byte>(i * 25), 0}));
  }
  for (int i = 10; i < 256; ++i) EXPECT_EQ(after[i], before.bmiColors[i]) << "entry " << i;
  // Every pixel is one of the table's colours, the ten or the halftone ones kept from before.
  const std::vector<RgbQuad> table(std::begin(after), std::end(after));
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) ASSERT_TRUE(in_table(table, pixel_from_top(image_, x, y)));
  }
}

TEST(SaveFreshConverter, AShortPaletteInANewConverterMapsToTheTenOrBlack) {
  cDIBSectionSave converter;
  cDIBSection image;
  ASSERT_EQ(image.Create(32, 32), vbTrue);
  paint_camera_frame(image, 5);
  cPalette ten;
  for (int i = 0; i < 10; ++i) ten.Add(200, i * 25, 100);
  converter.Save("", image, &ten, 2, 0);
  for (int i = 10; i < 256; ++i) EXPECT_EQ(converter.info256().bmiColors[i], RgbQuad{});
  std::vector<RgbQuad> table = table_of(ten);
  table.push_back(RgbQuad{});
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_TRUE(in_table(table, pixel_from_top(image, x, y)));
  }
}

TEST(SaveFreshConverter, WriteBackIsSetByThePlainMode) {
  cDIBSectionSave converter;
  cDIBSection image;
  ASSERT_EQ(image.Create(8, 8), vbTrue);
  EXPECT_EQ(converter.writeBack(), vbFalse);
  converter.Save("", image, nullptr, 0, 1);
  EXPECT_EQ(converter.writeBack(), vbFalse);
  converter.Save("", image, nullptr, 0, 0);
  EXPECT_EQ(converter.writeBack(), vbTrue);
  EXPECT_FALSE(converter.converted()) << "depth 0 converts nothing";
  converter.Save("", image, nullptr, 1, 2);
  EXPECT_EQ(converter.writeBack(), vbTrue) << "never cleared";
  EXPECT_TRUE(converter.converted());
}

TEST(SaveFreshConverter, AnEmptyImageIsLeftAloneAndNothingLeaks) {
  const std::size_t before = gdi_object_count();
  cDIBSectionSave converter;
  cDIBSection image;
  for (const Long depth : {1, 2}) EXPECT_EQ(converter.Save("", image, nullptr, depth, 0), vbFalse);
  ASSERT_EQ(image.Create(5, 5), vbTrue);
  image.ClearUp();
  for (const Long depth : {1, 2}) EXPECT_EQ(converter.Save("", image, nullptr, depth, 0), vbFalse);
  EXPECT_EQ(gdi_object_count(), before);
}

TEST(SaveFreshConverter, ConversionsLeakNoGraphicsObjects) {
  cDIBSectionSave converter;
  cDIBSection image;
  ASSERT_EQ(image.Create(320, 240), vbTrue);
  paint_camera_frame(image);
  const std::size_t before = gdi_object_count();
  for (int i = 0; i < 5; ++i) {
    converter.Save("", image, nullptr, 1, 0);
    converter.Save("", image, nullptr, 2, 0);
  }
  EXPECT_EQ(gdi_object_count(), before);
}

struct PreReductionCase {
  Long depth, method;
  bool givePalette;
};

class SavePreReduction : public ::testing::TestWithParam<PreReductionCase> {
 protected:
  void SetUp() override { previous_ = set_presenter(std::make_shared<ScriptedPresenter>()); }
  void TearDown() override { set_presenter(previous_); }
  std::shared_ptr<Presenter> previous_;
};

// The reduced copy replaces the image, which then holds only the palette's colours.
TEST_P(SavePreReduction, TheImageEndsHoldingOnlyThePalettesColours) {
  const PreReductionCase& c = GetParam();
  cDIBSectionSave converter;
  cDIBSection image;
  ASSERT_EQ(image.Create(48, 40), vbTrue);
  paint_camera_frame(image, 21);
  cPalette given;
  if (c.depth == 2) {
    for (int i = 0; i < 40; ++i) given.Add((i * 53) % 256, (i * 97) % 256, (i * 29) % 256);
  } else {
    given.Create16Colour();
  }
  cPalette* palette = c.givePalette ? &given : nullptr;
  EXPECT_EQ(converter.Save("", image, palette, c.depth, c.method), vbFalse);

  std::vector<RgbQuad> table;
  if (c.depth == 1) {
    cPalette standard;
    standard.Create16Colour();
    table = table_of(standard);
  } else if (c.givePalette) {
    table = table_of(given);  // mode 2 has rebuilt it from the image
  } else if (c.method == 1) {
    cPalette halftone;
    halftone.CreateHalfTone();
    table = table_of(halftone);
  } else {
    const auto& colours = converter.info256().bmiColors;
    table.assign(std::begin(colours), std::end(colours));
  }
  std::set<std::uint32_t> used;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 48; ++x) {
      const Rgb got = pixel_from_top(image, x, y);
      ASSERT_TRUE(in_table(table, got)) << x << "," << y;
      used.insert(static_cast<std::uint32_t>(got.red << 16 | got.green << 8 | got.blue));
    }
  }
  EXPECT_GT(used.size(), 1u) << "the image was reduced, not blanked";
  EXPECT_EQ(converter.writeBack(), vbFalse) << "only the plain mode sets it";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SavePreReduction,
    ::testing::Values(PreReductionCase{1, 1, false}, PreReductionCase{1, 1, true},
                      PreReductionCase{1, 2, false}, PreReductionCase{2, 1, false},
                      PreReductionCase{2, 1, true}, PreReductionCase{2, 2, false},
                      PreReductionCase{2, 2, true}));

TEST(SavePreReductionPalette, Mode2RebuildsTheGivenPalette) {
  auto previous = set_presenter(std::make_shared<ScriptedPresenter>());
  cDIBSectionSave converter;
  cDIBSection image;
  ASSERT_EQ(image.Create(32, 32), vbTrue);
  paint_camera_frame(image, 2);
  cPalette given;
  given.Add(1, 2, 3);
  converter.Save("", image, &given, 1, 2);
  cPalette standard;
  standard.Create16Colour();
  EXPECT_EQ(given.entries(), standard.entries());
  converter.Save("", image, &given, 2, 2);
  EXPECT_GT(given.Count(), 1);
  EXPECT_LE(given.Count(), 236);
  set_presenter(previous);
}

}  // namespace
}  // namespace zentrik
