// Graphics objects: DCs, bitmaps and DIB sections, selection and deletion rules, descriptions,
// pixel reads, windows and the object count.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "graphics_support.h"

namespace zentrik {
namespace {

using test::quad;

TEST(DeviceContexts, OnlyTheDisplayDriverOpens) {
  const std::size_t before = gdi_object_count();
  const HDC display = CreateDCA("DISPLAY");
  EXPECT_NE(display, 0);
  EXPECT_EQ(CreateDCA("WINSPOOL"), 0);
  EXPECT_EQ(CreateDCA(""), 0);
  EXPECT_EQ(CreateDCA("DISPLAY2"), 0);
  EXPECT_EQ(GetPixel(display, 0, 0), CLR_INVALID);
  EXPECT_TRUE(is_true(DeleteDC(display)));
  EXPECT_FALSE(is_true(DeleteDC(display)));
  EXPECT_EQ(gdi_object_count(), before);
}

TEST(DeviceContexts, MemoryDcStartsWithAnUndeletablePlaceholder) {
  const HDC dc = CreateCompatibleDC(0);
  ASSERT_NE(dc, 0);
  EXPECT_EQ(GetPixel(dc, 0, 0), 0);
  EXPECT_EQ(GetPixel(dc, 1, 0), CLR_INVALID);
  test::TestSurface s(2, 2);
  const HGDIOBJ placeholder = SelectObject(dc, CreateCompatibleBitmap(s.dc(), 3, 3));
  ASSERT_NE(placeholder, 0);
  EXPECT_FALSE(is_true(DeleteObject(placeholder)));
  Bitmap info;
  EXPECT_EQ(GetObjectA(placeholder, sizeof(info), &info), static_cast<Long>(sizeof(info)));
  EXPECT_EQ(info.bmWidth, 1);
  const HGDIOBJ mine = SelectObject(dc, placeholder);  // the placeholder goes back in
  EXPECT_TRUE(is_true(DeleteObject(mine)));
  EXPECT_TRUE(is_true(DeleteDC(dc)));
  EXPECT_EQ(CreateCompatibleDC(12345), 0);  // not a DC
}

TEST(Selection, ABitmapLivesInOneDcAtATime) {
  test::TestSurface s(2, 2);
  const HBITMAP bitmap = CreateCompatibleBitmap(s.dc(), 4, 4);
  const HDC a = CreateCompatibleDC(0), b = CreateCompatibleDC(0);
  const HGDIOBJ oldA = SelectObject(a, bitmap);
  EXPECT_NE(oldA, 0);
  EXPECT_EQ(SelectObject(b, bitmap), 0);           // selected elsewhere
  EXPECT_EQ(SelectObject(a, bitmap), bitmap);      // already here
  EXPECT_FALSE(is_true(DeleteObject(bitmap)));     // still selected
  EXPECT_EQ(SelectObject(a, a), 0);                // not a bitmap
  EXPECT_EQ(SelectObject(s.bitmap(), bitmap), 0);  // not a DC
  const HDC display = CreateDCA("DISPLAY");
  EXPECT_EQ(SelectObject(display, bitmap), 0);  // the display has no selection
  EXPECT_EQ(SelectObject(a, oldA), bitmap);
  EXPECT_NE(SelectObject(b, bitmap), 0);  // free again
  EXPECT_TRUE(is_true(DeleteDC(b)));      // leaves the bitmap alive and unselected
  Bitmap info;
  EXPECT_NE(GetObjectA(bitmap, sizeof(info), &info), 0);
  EXPECT_TRUE(is_true(DeleteObject(bitmap)));
  EXPECT_FALSE(is_true(DeleteObject(bitmap)));  // stale
  EXPECT_EQ(GetObjectA(bitmap, sizeof(info), &info), 0);
  DeleteDC(a);
  DeleteDC(display);
}

TEST(Handles, StaleHandlesStayDeadWhenTheirSlotIsReused) {
  const HDC first = CreateCompatibleDC(0);
  ASSERT_TRUE(is_true(DeleteDC(first)));
  const HDC second = CreateCompatibleDC(0);  // likely the same slot, another generation
  EXPECT_NE(first, second);
  EXPECT_GT(second, 0);
  EXPECT_FALSE(is_true(DeleteDC(first)));
  EXPECT_EQ(GetPixel(first, 0, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(second, 0, 0), 0);
  EXPECT_TRUE(is_true(DeleteDC(second)));
  for (Handle junk : {0, -1, INT_MIN, INT_MAX, 1 << 20}) {
    EXPECT_FALSE(is_true(DeleteObject(junk)));
    EXPECT_FALSE(is_true(DeleteDC(junk)));
    EXPECT_EQ(GetPixel(junk, 0, 0), CLR_INVALID);
  }
}

TEST(Bitmaps, DescriptionsOfCompatibleBitmapsAndDibSections) {
  test::TestSurface s(5, 3);
  Bitmap info;
  ASSERT_EQ(GetObjectA(s.bitmap(), sizeof(info), &info), static_cast<Long>(sizeof(info)));
  EXPECT_EQ(info.bmType, 0);
  EXPECT_EQ(info.bmWidth, 5);
  EXPECT_EQ(info.bmHeight, 3);
  EXPECT_EQ(info.bmWidthBytes, 20);
  EXPECT_EQ(info.bmPlanes, 1);
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(info.bmBits, nullptr);

  struct Case {
    Long width, height, bits, stride;
  };
  for (const Case c : {Case{3, 2, 24, 12}, Case{3, -2, 24, 12}, Case{320, 240, 24, 960},
                       Case{5, 4, 8, 8}, Case{9, 1, 4, 8}, Case{1, 1, 4, 4}}) {
    const auto table = test::sixteen_colour_table();
    std::vector<RgbQuad> colours(256);
    std::copy(table.begin(), table.end(), colours.begin());
    test::TestDib dib(c.width, c.height, c.bits, colours);
    ASSERT_EQ(GetObjectA(dib.bitmap(), sizeof(info), &info), static_cast<Long>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, c.width);
    EXPECT_EQ(info.bmHeight, std::abs(c.height));
    EXPECT_EQ(info.bmWidthBytes, c.stride);
    EXPECT_EQ(info.bmBitsPixel, c.bits);
    EXPECT_EQ(info.bmBits, dib.bits());
    EXPECT_EQ(dib_stride(c.width, c.bits), c.stride);
  }
  Long firstTwo[2] = {-1, -1};
  EXPECT_EQ(GetObjectA(s.bitmap(), 8, firstTwo), 8);  // only as much as asked for
  EXPECT_EQ(firstTwo[1], 5);
  EXPECT_EQ(GetObjectA(s.bitmap(), 0, &info), 0);
  EXPECT_EQ(GetObjectA(s.dc(), sizeof(info), &info), 0);
}

struct HeaderCase {
  const char* name;
  Long width, height, bits, compression, size, planes, usage, clrUsed, colours;
};

class DibSectionHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(DibSectionHeaders, BadHeadersGiveNoSection) {
  const HeaderCase c = GetParam();
  BitmapInfoHeader header;
  header.biSize = static_cast<std::uint32_t>(c.size);
  header.biWidth = c.width;
  header.biHeight = c.height;
  header.biPlanes = static_cast<std::uint16_t>(c.planes);
  header.biBitCount = static_cast<std::uint16_t>(c.bits);
  header.biCompression = static_cast<std::uint32_t>(c.compression);
  header.biClrUsed = static_cast<std::uint32_t>(c.clrUsed);
  const std::vector<RgbQuad> colours(static_cast<std::size_t>(c.colours));
  const std::size_t before = gdi_object_count();
  void* bits = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateDIBSection(0, header, colours, c.usage, &bits), 0) << c.name;
  EXPECT_EQ(bits, nullptr);
  EXPECT_EQ(gdi_object_count(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, DibSectionHeaders,
    ::testing::Values(HeaderCase{"zeroWidth", 0, 4, 24, 0, 40, 1, 0, 0, 0},
                      HeaderCase{"negativeWidth", -4, 4, 24, 0, 40, 1, 0, 0, 0},
                      HeaderCase{"zeroHeight", 4, 0, 24, 0, 40, 1, 0, 0, 0},
                      HeaderCase{"lowestHeight", 4, INT_MIN, 24, 0, 40, 1, 0, 0, 0},
                      HeaderCase{"sixteenBits", 4, 4, 16, 0, 40, 1, 0, 0, 0},
                      HeaderCase{"thirtyTwoBits", 4, 4, 32, 0, 40, 1, 0, 0, 0},
                      HeaderCase{"oneBit", 4, 4, 1, 0, 40, 1, 0, 2, 2},
                      HeaderCase{"compressed", 4, 4, 8, 1, 40, 1, 0, 0, 256},
                      HeaderCase{"shortHeader", 4, 4, 24, 0, 12, 1, 0, 0, 0},
                      HeaderCase{"twoPlanes", 4, 4, 24, 0, 40, 2, 0, 0, 0},
                      HeaderCase{"paletteUsage", 4, 4, 8, 0, 40, 1, 1, 0, 256},
                      HeaderCase{"noColourTable", 4, 4, 8, 0, 40, 1, 0, 0, 0},
                      HeaderCase{"shortColourTable", 4, 4, 4, 0, 40, 1, 0, 0, 15},
                      HeaderCase{"tooManyColoursUsed", 4, 4, 4, 0, 40, 1, 0, 17, 17},
                      HeaderCase{"absurdSize", 100000, 100000, 24, 0, 40, 1, 0, 0, 0},
                      HeaderCase{"absurdWidth", INT_MAX, 1, 24, 0, 40, 1, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DibSections, ZeroFilledWithStableBitsAndRowOrder) {
  test::TestDib up(3, 2, 24), down(3, -2, 24);
  EXPECT_TRUE(std::all_of(up.bytes().begin(), up.bytes().end(), [](auto b) { return b == 0; }));
  up.bits()[0] = 10, up.bits()[1] = 20, up.bits()[2] = 30;  // first row in memory
  down.bits()[0] = 10, down.bits()[1] = 20, down.bits()[2] = 30;
  EXPECT_EQ(GetPixel(up.dc(), 0, 1), RGB(30, 20, 10));    // bottom-up: the bottom row
  EXPECT_EQ(GetPixel(down.dc(), 0, 0), RGB(30, 20, 10));  // top-down: the top row
  test::TestDib other(3, 2, 24);
  std::uint8_t* const before = up.bits();
  BitBlt(up.dc(), 0, 0, 3, 2, other.dc(), 0, 0, SRCCOPY);
  Bitmap info;
  GetObjectA(up.bitmap(), sizeof(info), &info);
  EXPECT_EQ(info.bmBits, before);
}

TEST(DibSections, ColoursUsedShortensTheTableAndLaterIndicesReadBlack) {
  const std::vector<RgbQuad> two{quad(255, 255, 255), quad(255, 0, 0)};
  test::TestDib dib(4, 1, 8, two);
  ASSERT_NE(dib.bitmap(), 0);
  dib.bits()[0] = 0, dib.bits()[1] = 1, dib.bits()[2] = 2, dib.bits()[3] = 255;
  EXPECT_EQ(GetPixel(dib.dc(), 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dib.dc(), 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dib.dc(), 2, 0), 0);
  EXPECT_EQ(GetPixel(dib.dc(), 3, 0), 0);
}

TEST(GetPixel, OutsideTheSurfaceIsInvalid) {
  const auto table = test::sixteen_colour_table();
  test::TestDib dib(5, 4, 4, table);
  test::TestSurface surface(5, 4);
  for (HDC dc : {dib.dc(), surface.dc()}) {
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {5, 0}, {0, 4}, {5, 4}, {INT_MIN, INT_MAX}}) {
      EXPECT_EQ(GetPixel(dc, x, y), CLR_INVALID) << x << "," << y;
    }
    EXPECT_EQ(GetPixel(dc, 4, 3), 0);
  }
  dib.bits()[0] = 0x9C;  // bottom row: pixel 0 is index 9 (red), pixel 1 index 12 (blue)
  EXPECT_EQ(GetPixel(dib.dc(), 0, 3), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dib.dc(), 1, 3), RGB(0, 0, 255));
}

TEST(Bitmaps, CompatibleBitmapsAreZeroFilledAndNeedADc) {
  test::TestSurface s(3, 3);
  EXPECT_EQ(GetPixel(s.dc(), 2, 2), 0);
  EXPECT_EQ(CreateCompatibleBitmap(0, 3, 3), 0);
  const HDC display = CreateDCA("DISPLAY");
  EXPECT_EQ(CreateCompatibleBitmap(display, 0, 3), 0);
  EXPECT_EQ(CreateCompatibleBitmap(display, 3, -1), 0);
  EXPECT_EQ(CreateCompatibleBitmap(display, 100000, 100000), 0);
  DeleteDC(display);
}

TEST(Windows, OneDcPerWindowThatGoesWithIt) {
  const std::size_t before = gdi_object_count();
  const HWND window = CreateWindowSurface(8, 6);
  ASSERT_NE(window, 0);
  const HDC dc = GetDC(window);
  EXPECT_NE(dc, 0);
  EXPECT_EQ(GetDC(window), dc);
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  EXPECT_EQ(ReleaseDC(window, dc + 1), 0);
  EXPECT_EQ(GetPixel(dc, 7, 5), 0);
  EXPECT_FALSE(is_true(DeleteDC(dc)));  // belongs to the window
  test::TestSurface s(2, 2);
  EXPECT_EQ(SelectObject(dc, s.bitmap()), 0);
  EXPECT_EQ(gdi_object_count(), before + 1 + 3);  // the window; the test surface's three
  EXPECT_TRUE(is_true(DestroyWindow(window)));
  EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
  EXPECT_EQ(GetDC(window), 0);
  EXPECT_FALSE(is_true(DestroyWindow(window)));
  EXPECT_EQ(CreateWindowSurface(0, 5), 0);
}

TEST(ObjectCount, BalancedWorkLeavesNothingBehind) {
  const std::size_t before = gdi_object_count();
  for (int i = 0; i < 50; ++i) {
    test::TestDib a(17, 9, 24);
    test::TestDib b(17, 9, 8, test::halftone_table());
    test::TestSurface c(17, 9);
    BitBlt(b.dc(), 0, 0, 17, 9, a.dc(), 0, 0, SRCCOPY);
    BitBlt(c.dc(), 0, 0, 17, 9, b.dc(), 0, 0, SRCCOPY);
  }
  EXPECT_EQ(gdi_object_count(), before);
}

}  // namespace
}  // namespace zentrik
