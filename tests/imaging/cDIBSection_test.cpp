// cDIBSection: the buffer's shape and header, what Create, ClearUp and destruction hold and
// release, the direct pixel fill, blits in both directions, pictures and the clipboard.
#include "zentrik/imaging/cDIBSection.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "imaging_test_support.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/clipboard.h"

namespace zentrik {
namespace {

using testing_support::pixel_from_top;
using testing_support::Rgb;
using testing_support::set_pixel_from_top;

// A pattern that differs in every pixel and every channel.
Rgb pattern(int x, int y) {
  return {(x * 37 + y * 11) % 256, (x * 5 + y * 71) % 256, (x + y * 3) % 256};
}

void paint_pattern(cDIBSection& dib) {
  for (int y = 0; y < dib.Height(); ++y) {
    for (int x = 0; x < dib.Width(); ++x) set_pixel_from_top(dib, x, y, pattern(x, y));
  }
}

// A picture holding a display-format bitmap with the buffer's pixels.
PicturePtr picture_of(cDIBSection& dib) {
  const HDC display = CreateDCA("DISPLAY");
  const HDC memory = CreateCompatibleDC(display);
  const HBITMAP bitmap = CreateCompatibleBitmap(display, dib.Width(), dib.Height());
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  dib.PaintPicture(memory, 0, 0, -1, -1, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteDC(display);
  return std::make_shared<Picture>(bitmap);
}

TEST(DibShape, BytesPerScanLineRoundsThreeBytesAPixelUpToFour) {
  const struct {
    Long width, stride;
  } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {320, 960}, {321, 964}};
  for (const auto& c : cases) {
    cDIBSection dib;
    ASSERT_EQ(dib.Create(c.width, 2), vbTrue);
    EXPECT_EQ(dib.BytesPerScanLine(), c.stride) << "width " << c.width;
    EXPECT_EQ(dib.view().stride(), c.stride);
  }
}

TEST(DibShape, CreateFillsTheHeaderAndHoldsTheSectionSelected) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(320, 240), vbTrue);
  EXPECT_EQ(dib.Width(), 320);
  EXPECT_EQ(dib.Height(), 240);
  EXPECT_EQ(dib.BytesPerScanLine(), 960);
  const BitmapInfoHeader& h = dib.header();
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, 0u);
  EXPECT_EQ(h.biSizeImage, 230400u);
  EXPECT_EQ(h.biXPelsPerMeter, 0);
  EXPECT_EQ(h.biClrUsed, 0u);
  EXPECT_NE(dib.hdc(), 0);
  EXPECT_NE(dib.hDib(), 0);
  ASSERT_NE(dib.DIBSectionBitsPtr(), nullptr);

  Bitmap info;
  ASSERT_NE(GetObjectA(dib.hDib(), sizeof(info), &info), 0);
  EXPECT_EQ(info.bmWidth, 320);
  EXPECT_EQ(info.bmHeight, 240);
  EXPECT_EQ(info.bmBitsPixel, 24);
  EXPECT_EQ(info.bmBits, dib.DIBSectionBitsPtr());
  // Selected into its own context: it cannot be deleted while held.
  EXPECT_EQ(DeleteObject(dib.hDib()), vbFalse);
  EXPECT_EQ(dib.view().rows(), 240);
  EXPECT_EQ(dib.view().data(), dib.DIBSectionBitsPtr());
}

TEST(DibLifetime, CreateTwiceKeepsOnlyTheSecondBuffer) {
  const std::size_t before = gdi_object_count();
  cDIBSection dib;
  ASSERT_EQ(dib.Create(10, 10), vbTrue);
  const std::size_t holding = gdi_object_count();
  EXPECT_EQ(holding, before + 2) << "one DIB section and one memory context";
  ASSERT_EQ(dib.Create(20, 5), vbTrue);
  EXPECT_EQ(gdi_object_count(), holding);
  EXPECT_EQ(dib.Width(), 20);
  EXPECT_EQ(dib.Height(), 5);
}

TEST(DibLifetime, ClearUpReleasesEverythingButKeepsTheSize) {
  const std::size_t before = gdi_object_count();
  cDIBSection dib;
  ASSERT_EQ(dib.Create(7, 3), vbTrue);
  dib.ClearUp();
  EXPECT_EQ(gdi_object_count(), before);
  EXPECT_EQ(dib.hdc(), 0);
  EXPECT_EQ(dib.hDib(), 0);
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_TRUE(dib.view().empty());
  EXPECT_EQ(dib.Width(), 7);
  EXPECT_EQ(dib.Height(), 3);
  dib.ClearUp();  // a second ClearUp finds nothing to release
  EXPECT_EQ(gdi_object_count(), before);
}

TEST(DibLifetime, DestructionReleasesTheBuffer) {
  const std::size_t before = gdi_object_count();
  {
    cDIBSection dib;
    ASSERT_EQ(dib.Create(7, 3), vbTrue);
  }
  EXPECT_EQ(gdi_object_count(), before);
}

TEST(DibLifetime, ANewObjectIsEmpty) {
  cDIBSection dib;
  EXPECT_EQ(dib.hdc(), 0);
  EXPECT_EQ(dib.hDib(), 0);
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(dib.Width(), 0);
  EXPECT_EQ(dib.Height(), 0);
}

class DibCreateRefused : public ::testing::TestWithParam<std::pair<Long, Long>> {};

TEST_P(DibCreateRefused, ReturnsFalseAndLeavesTheObjectEmpty) {
  const std::size_t before = gdi_object_count();
  cDIBSection dib;
  ASSERT_EQ(dib.Create(4, 4), vbTrue);
  EXPECT_EQ(dib.Create(GetParam().first, GetParam().second), vbFalse);
  EXPECT_EQ(dib.hdc(), 0);
  EXPECT_EQ(dib.hDib(), 0);
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(gdi_object_count(), before);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DibCreateRefused,
                         ::testing::Values(std::pair<Long, Long>{0, 5}, std::pair<Long, Long>{5, 0},
                                           std::pair<Long, Long>{-1, 5},
                                           std::pair<Long, Long>{5, -3},
                                           std::pair<Long, Long>{-2147483647 - 1, 1}));

class DibRandomise : public ::testing::TestWithParam<Long> {};

TEST_P(DibRandomise, FillsEveryPixelAndNeverThePadding) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(GetParam(), 3), vbTrue);
  const ByteView bits = dib.view();
  for (std::ptrdiff_t row = 0; row < bits.rows(); ++row) {
    for (std::ptrdiff_t at = 0; at < bits.stride(); ++at) bits(at, row) = 0x77;
  }
  for (const Boolean gray : {vbFalse, vbTrue}) {
    dib.RandomiseBits(gray);
    const Rgb want = gray == vbTrue ? Rgb{255, 255, 255} : Rgb{255, 255, 0};
    for (int y = 0; y < dib.Height(); ++y) {
      for (int x = 0; x < dib.Width(); ++x) EXPECT_EQ(pixel_from_top(dib, x, y), want);
    }
    for (std::ptrdiff_t row = 0; row < bits.rows(); ++row) {
      for (std::ptrdiff_t at = 3 * dib.Width(); at < bits.stride(); ++at) {
        EXPECT_EQ(bits(at, row), 0x77) << "padding byte " << at << " of row " << row;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, DibRandomise, ::testing::Values(1, 2, 3, 4, 5, 321));

TEST(DibRandomise, AnEmptyObjectIsLeftAlone) {
  cDIBSection dib;
  dib.RandomiseBits(vbTrue);
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
}

TEST(DibBlits, RowsLieBottomUpAsThePlatformReadsThem) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(5, 4), vbTrue);
  paint_pattern(dib);
  // The first row in memory is the bottom row of the picture.
  const Rgb bottomLeft = pattern(0, 3);
  EXPECT_EQ(dib.view()(0, 0), bottomLeft.blue);
  EXPECT_EQ(dib.view()(2, 0), bottomLeft.red);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      const Rgb p = pattern(x, y);
      EXPECT_EQ(GetPixel(dib.hdc(), x, y), RGB(static_cast<Byte>(p.red), static_cast<Byte>(p.green),
                                               static_cast<Byte>(p.blue)));
    }
  }
}

TEST(DibBlits, LoadPictureBltWithBothSizesNegativeCopiesTheWholeBuffer) {
  cDIBSection source;
  ASSERT_EQ(source.Create(9, 7), vbTrue);
  paint_pattern(source);
  cDIBSection dib;
  ASSERT_EQ(dib.Create(4, 3), vbTrue);
  dib.LoadPictureBlt(source.hdc(), 2, 1, -1, -1, SRCCOPY);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixel_from_top(dib, x, y), pattern(x + 2, y + 1));
  }
}

TEST(DibBlits, LoadPictureBltWithOnlyTheWidthNegativeUsesTheGivenHeight) {
  cDIBSection source;
  ASSERT_EQ(source.Create(9, 7), vbTrue);
  paint_pattern(source);
  cDIBSection dib;
  ASSERT_EQ(dib.Create(4, 3), vbTrue);
  dib.RandomiseBits(vbTrue);
  dib.LoadPictureBlt(source.hdc(), 0, 0, -1, 2, SRCCOPY);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(pixel_from_top(dib, x, 0), pattern(x, 0));
    EXPECT_EQ(pixel_from_top(dib, x, 1), pattern(x, 1));
    EXPECT_EQ(pixel_from_top(dib, x, 2), (Rgb{255, 255, 255})) << "row below the given height";
  }
  dib.RandomiseBits(vbTrue);
  dib.LoadPictureBlt(source.hdc(), 0, 0, 3, -1, SRCCOPY);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(pixel_from_top(dib, 2, y), pattern(2, y));
    EXPECT_EQ(pixel_from_top(dib, 3, y), (Rgb{255, 255, 255})) << "column past the given width";
  }
}

TEST(DibBlits, PaintPictureCopiesFromTheSourcePointToTheDestinationPoint) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(6, 5), vbTrue);
  paint_pattern(dib);
  cDIBSection target;
  ASSERT_EQ(target.Create(8, 8), vbTrue);
  target.RandomiseBits(vbTrue);
  dib.PaintPicture(target.hdc(), 3, 2, 2, 2, 1, 1, SRCCOPY);
  EXPECT_EQ(pixel_from_top(target, 3, 2), pattern(1, 1));
  EXPECT_EQ(pixel_from_top(target, 4, 3), pattern(2, 2));
  EXPECT_EQ(pixel_from_top(target, 5, 2), (Rgb{255, 255, 255}));
  EXPECT_EQ(pixel_from_top(target, 2, 2), (Rgb{255, 255, 255}));
}

TEST(DibPictures, LoadsTheBitmapOfAPictureAtItsSize) {
  cDIBSection source;
  ASSERT_EQ(source.Create(13, 6), vbTrue);
  paint_pattern(source);
  const PicturePtr picture = picture_of(source);
  cDIBSection dib;
  dib.CreateFromPicture(*picture);
  ASSERT_NE(dib.hdc(), 0);
  EXPECT_EQ(dib.Width(), 13);
  EXPECT_EQ(dib.Height(), 6);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 13; ++x) EXPECT_EQ(pixel_from_top(dib, x, y), pattern(x, y));
  }
  // The picture stays the caller's and keeps working.
  cDIBSection again;
  again.CreateFromPicture(*picture);
  EXPECT_EQ(pixel_from_top(again, 12, 5), pattern(12, 5));
}

TEST(DibPictures, APictureWithoutABitmapLeavesTheObjectEmpty) {
  const std::size_t before = gdi_object_count();
  cDIBSection dib;
  ASSERT_EQ(dib.Create(4, 4), vbTrue);
  Picture empty;
  EXPECT_NO_THROW(dib.CreateFromPicture(empty));
  EXPECT_EQ(dib.hdc(), 0);
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(gdi_object_count(), before);
}

class DibClipboard : public ::testing::Test {
 protected:
  void TearDown() override {
    clipboard_set_busy(false);
    // Leave the clipboard empty for the next test.
    if (is_true(OpenClipboard(0))) {
      EmptyClipboard();
      CloseClipboard();
    }
  }
};

TEST_F(DibClipboard, TheClipboardGetsTheImage) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(11, 4), vbTrue);
  paint_pattern(dib);
  EXPECT_EQ(dib.CopyToClipboard(vbFalse), vbTrue);
  const PicturePtr picture = ClipboardGetData();
  ASSERT_NE(picture->Handle(), 0);
  cDIBSection back;
  back.CreateFromPicture(*picture);
  ASSERT_EQ(back.Width(), 11);
  ASSERT_EQ(back.Height(), 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 11; ++x) EXPECT_EQ(pixel_from_top(back, x, y), pattern(x, y));
  }
}

TEST_F(DibClipboard, AsDibPlacesNothingAndLeavesTheClipboardAsItWas) {
  cDIBSection first;
  ASSERT_EQ(first.Create(3, 3), vbTrue);
  first.RandomiseBits(vbFalse);
  ASSERT_EQ(first.CopyToClipboard(vbFalse), vbTrue);
  const std::size_t before = gdi_object_count();

  cDIBSection second;
  ASSERT_EQ(second.Create(5, 5), vbTrue);
  second.RandomiseBits(vbTrue);
  EXPECT_EQ(second.CopyToClipboard(vbTrue), vbFalse);
  EXPECT_EQ(gdi_object_count(), before + 2) << "only the second buffer's own objects";
  cDIBSection back;
  back.CreateFromPicture(*ClipboardGetData());
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(pixel_from_top(back, 1, 1), (Rgb{255, 255, 0}));
}

TEST_F(DibClipboard, ABusyClipboardGetsNothingAndTheBitmapIsDeleted) {
  cDIBSection dib;
  ASSERT_EQ(dib.Create(8, 8), vbTrue);
  const std::size_t before = gdi_object_count();
  clipboard_set_busy(true);
  EXPECT_EQ(dib.CopyToClipboard(vbFalse), vbFalse);
  EXPECT_EQ(gdi_object_count(), before);
}

TEST_F(DibClipboard, AnEmptyBufferPlacesNothingAndLeaksNothing) {
  const std::size_t before = gdi_object_count();
  cDIBSection dib;
  EXPECT_EQ(dib.CopyToClipboard(vbFalse), vbFalse);
  EXPECT_EQ(gdi_object_count(), before);
}

TEST(DibApiError, GivesTheSystemMessageWithItsLineEnd) {
  cDIBSection dib;
  const std::string text = dib.ApiError(ENOENT);
  EXPECT_EQ(text, system_message(ENOENT));
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(dib.ApiError(987654), "") << "a code without a message";
}

}  // namespace
}  // namespace zentrik
