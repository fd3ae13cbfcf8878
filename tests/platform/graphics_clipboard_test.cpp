// The clipboard: opening, ownership of the bitmaps it is given, and copies handed back.
#include <gtest/gtest.h>

#include "graphics_support.h"
#include "zentrik/platform/clipboard.h"

namespace zentrik {
namespace {

class Clipboard : public ::testing::Test {
 protected:
  void SetUp() override { before_ = gdi_object_count(); }
  void TearDown() override {
    clipboard_set_busy(false);
    CloseClipboard();
    ASSERT_TRUE(is_true(OpenClipboard(0)));
    EmptyClipboard();
    CloseClipboard();
  }

  // A 3 x 2 display-format bitmap, not selected anywhere, with one red pixel at (1, 1).
  static HBITMAP red_dot() {
    test::TestSurface s(1, 1);
    const HBITMAP bitmap = CreateCompatibleBitmap(s.dc(), 3, 2);
    const HDC dc = CreateCompatibleDC(0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const std::uint8_t pixel[4] = {0, 0, 255, 0};
    BitmapInfoHeader header;
    header.biWidth = 1;
    header.biHeight = 1;
    header.biBitCount = 24;
    SetDIBitsToDevice(dc, 1, 1, 1, 1, pixel, header);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
  }

  std::size_t before_ = 0;
};

TEST_F(Clipboard, OpensOnceAtATime) {
  EXPECT_TRUE(is_true(OpenClipboard(0)));
  EXPECT_FALSE(is_true(OpenClipboard(0)));
  EXPECT_TRUE(is_true(CloseClipboard()));
  EXPECT_FALSE(is_true(CloseClipboard()));
  clipboard_set_busy(true);
  EXPECT_FALSE(is_true(OpenClipboard(0)));
  clipboard_set_busy(false);
  EXPECT_TRUE(is_true(OpenClipboard(0)));
  EXPECT_TRUE(is_true(CloseClipboard()));
  EXPECT_FALSE(is_true(EmptyClipboard()));  // closed
}

TEST_F(Clipboard, TakesOwnershipOfAnAcceptedBitmap) {
  const HBITMAP bitmap = red_dot();
  ASSERT_TRUE(is_true(OpenClipboard(0)));
  ASSERT_TRUE(is_true(EmptyClipboard()));
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
  EXPECT_TRUE(is_true(CloseClipboard()));
  EXPECT_FALSE(is_true(DeleteObject(bitmap)));  // the clipboard's now
  const HDC dc = CreateCompatibleDC(0);
  EXPECT_EQ(SelectObject(dc, bitmap), 0);
  DeleteDC(dc);
  EXPECT_EQ(gdi_object_count(), before_ + 1);
  ASSERT_TRUE(is_true(OpenClipboard(0)));
  EXPECT_TRUE(is_true(EmptyClipboard()));  // deletes it
  CloseClipboard();
  EXPECT_EQ(gdi_object_count(), before_);
  Bitmap info;
  EXPECT_EQ(GetObjectA(bitmap, sizeof(info), &info), 0);
}

TEST_F(Clipboard, RefusedBitmapsStayTheCallers) {
  const HBITMAP bitmap = red_dot();
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), 0);  // not open
  ASSERT_TRUE(is_true(OpenClipboard(0)));
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), 0);  // not emptied by this opener
  ASSERT_TRUE(is_true(EmptyClipboard()));
  EXPECT_EQ(SetClipboardData(8 /*CF_DIB*/, bitmap), 0);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, 0), 0);
  const HDC dc = CreateCompatibleDC(0);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), 0);  // selected into a DC
  SelectObject(dc, old);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, old), 0);  // the placeholder
  EXPECT_EQ(SetClipboardData(CF_BITMAP, dc), 0);   // not a bitmap
  DeleteDC(dc);
  CloseClipboard();
  EXPECT_TRUE(is_true(DeleteObject(bitmap)));
  EXPECT_EQ(gdi_object_count(), before_);
}

TEST_F(Clipboard, SettingAgainReplacesAndDeletesThePrevious) {
  const HBITMAP first = red_dot(), second = red_dot();
  ASSERT_TRUE(is_true(OpenClipboard(0)));
  EmptyClipboard();
  EXPECT_EQ(SetClipboardData(CF_BITMAP, first), first);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, second), second);
  CloseClipboard();
  EXPECT_EQ(gdi_object_count(), before_ + 1);
}

TEST_F(Clipboard, GetDataHandsBackIndependentCopies) {
  ASSERT_TRUE(is_true(OpenClipboard(0)));
  EmptyClipboard();
  CloseClipboard();
  const PicturePtr nothing = ClipboardGetData();
  ASSERT_TRUE(nothing);
  EXPECT_EQ(nothing->Handle(), 0);
  EXPECT_EQ(nothing->Width(), 0);

  const HBITMAP bitmap = red_dot();
  ASSERT_TRUE(is_true(OpenClipboard(0)));
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, bitmap);
  CloseClipboard();
  {
    const PicturePtr copy = ClipboardGetData();
    ASSERT_NE(copy->Handle(), 0);
    EXPECT_NE(copy->Handle(), bitmap);
    EXPECT_EQ(copy->Width(), 3);
    EXPECT_EQ(copy->Height(), 2);
    // Drawing on the copy leaves the clipboard's bitmap as it was.
    const HDC dc = CreateCompatibleDC(0);
    const HGDIOBJ old = SelectObject(dc, copy->Handle());
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 0, 0));
    test::TestSurface white(3, 2);
    BitBlt(dc, 0, 0, 3, 2, white.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(dc, 1, 1), 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    const PicturePtr again = ClipboardGetData();
    const HDC check = CreateCompatibleDC(0);
    const HGDIOBJ previous = SelectObject(check, again->Handle());
    EXPECT_EQ(GetPixel(check, 1, 1), RGB(255, 0, 0));
    SelectObject(check, previous);
    DeleteDC(check);
  }
  EXPECT_EQ(gdi_object_count(), before_ + 1);  // only the clipboard's own bitmap
}

TEST_F(Clipboard, PalettedSectionsComeBackInTheDisplayFormat) {
  const auto table = test::sixteen_colour_table();
  BitmapInfoHeader header;
  header.biWidth = 2;
  header.biHeight = 1;
  header.biBitCount = 4;
  void* bits = nullptr;
  const HBITMAP dib = CreateDIBSection(0, header, table, DIB_RGB_COLORS, &bits);
  static_cast<std::uint8_t*>(bits)[0] = 0x9C;
  ASSERT_TRUE(is_true(OpenClipboard(0)));
  EmptyClipboard();
  ASSERT_EQ(SetClipboardData(CF_BITMAP, dib), dib);
  CloseClipboard();
  const PicturePtr copy = ClipboardGetData();
  Bitmap info;
  ASSERT_NE(GetObjectA(copy->Handle(), sizeof(info), &info), 0);
  EXPECT_EQ(info.bmBitsPixel, 32);
  const HDC dc = CreateCompatibleDC(0);
  const HGDIOBJ old = SelectObject(dc, copy->Handle());
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 255));
  SelectObject(dc, old);
  DeleteDC(dc);
}

TEST_F(Clipboard, APictureWhoseBitmapWentToTheClipboardLetsItBe) {
  {
    Picture picture(red_dot());
    ASSERT_TRUE(is_true(OpenClipboard(0)));
    EmptyClipboard();
    ASSERT_EQ(SetClipboardData(CF_BITMAP, picture.Handle()), picture.Handle());
    CloseClipboard();
  }
  EXPECT_EQ(gdi_object_count(), before_ + 1);
  EXPECT_EQ(ClipboardGetData()->Width(), 3);
}

}  // namespace
}  // namespace zentrik
