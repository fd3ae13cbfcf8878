// Pictures and picture boxes: ownership of bitmaps, pictures taken from DCs, saving as bitmap
// files, and the picture box's drawn image and picture as the frame handler uses them.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "graphics_support.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"
#include "zentrik/platform/forms.h"
#include "zentrik/platform/picture.h"

namespace zentrik {
namespace {

namespace fs = std::filesystem;

// Paints a 24-bit colour onto part of a DC.
void paint(HDC dc, Long x, Long y, Long w, Long h, Byte r, Byte g, Byte b) {
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(dib_stride(w, 24)) * h);
  for (Long row = 0; row < h; ++row) {
    for (Long col = 0; col < w; ++col) {
      std::uint8_t* p = bits.data() + row * dib_stride(w, 24) + 3 * col;
      p[0] = b, p[1] = g, p[2] = r;
    }
  }
  BitmapInfoHeader header;
  header.biWidth = w;
  header.biHeight = h;
  header.biBitCount = 24;
  SetDIBitsToDevice(dc, x, y, w, h, bits.data(), header);
}

// The colour at (x, y) of a picture's bitmap.
ColorRef picture_pixel(const Picture& picture, Long x, Long y) {
  const HDC dc = CreateCompatibleDC(0);
  const HGDIOBJ old = SelectObject(dc, picture.Handle());
  const ColorRef c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

TEST(Pictures, OwnTheirBitmap) {
  const std::size_t before = gdi_object_count();
  {
    test::TestSurface s(1, 1);
    Picture picture(CreateCompatibleBitmap(s.dc(), 6, 4));
    EXPECT_EQ(picture.Type(), Picture::Kind::Bitmap);
    EXPECT_EQ(picture.Width(), 6);
    EXPECT_EQ(picture.Height(), 4);
  }
  EXPECT_EQ(gdi_object_count(), before);
  const Picture empty;
  EXPECT_EQ(empty.Type(), Picture::Kind::None);
  EXPECT_EQ(empty.Width(), 0);
}

TEST(Pictures, ABitmapStillSelectedGoesWhenItsDcLetsGo) {
  const std::size_t before = gdi_object_count();
  const HDC dc = CreateCompatibleDC(0);
  HGDIOBJ old = 0;
  {
    test::TestSurface s(1, 1);
    auto picture = std::make_unique<Picture>(CreateCompatibleBitmap(s.dc(), 2, 2));
    old = SelectObject(dc, picture->Handle());
    picture.reset();
    EXPECT_EQ(GetPixel(dc, 1, 1), 0);  // still usable while selected
  }
  EXPECT_EQ(gdi_object_count(), before + 2);  // the DC and the bitmap
  SelectObject(dc, old);
  EXPECT_EQ(gdi_object_count(), before + 1);
  DeleteDC(dc);
}

TEST(Pictures, FromDcIsACopyThatLaterDrawingLeavesAlone) {
  test::TestDib dib(5, 3, 24);
  paint(dib.dc(), 0, 0, 5, 3, 10, 20, 30);
  const PicturePtr picture = picture_from_dc(dib.dc());
  ASSERT_NE(picture->Handle(), 0);
  EXPECT_EQ(picture->Width(), 5);
  Bitmap info;
  GetObjectA(picture->Handle(), sizeof(info), &info);
  EXPECT_EQ(info.bmBitsPixel, 32);  // display format
  paint(dib.dc(), 0, 0, 5, 3, 1, 1, 1);
  EXPECT_EQ(picture_pixel(*picture, 4, 2), RGB(10, 20, 30));

  test::TestSurface surface(4, 4);
  paint(surface.dc(), 0, 0, 4, 4, 7, 8, 9);
  const PicturePtr shared = picture_from_dc(surface.dc());
  const std::uint64_t identity = pixel_identity(*shared);
  EXPECT_NE(identity, 0u);
  EXPECT_EQ(pixel_identity(*picture_from_dc(surface.dc())), identity);  // the same pixels
  EXPECT_EQ(pixel_identity(Picture()), 0u);
  paint(surface.dc(), 1, 1, 1, 1, 200, 200, 200);
  EXPECT_EQ(pixel_identity(*shared), identity);  // drawing on the surface leaves the copy alone
  EXPECT_NE(pixel_identity(*picture_from_dc(surface.dc())), identity);
  EXPECT_EQ(picture_pixel(*shared, 1, 1), RGB(7, 8, 9));
  EXPECT_EQ(GetPixel(surface.dc(), 1, 1), RGB(200, 200, 200));
  EXPECT_EQ(GetPixel(surface.dc(), 2, 2), RGB(7, 8, 9));

  const HDC display = CreateDCA("DISPLAY");
  EXPECT_EQ(picture_from_dc(display)->Handle(), 0);
  const HDC fresh = CreateCompatibleDC(0);
  EXPECT_EQ(picture_from_dc(fresh)->Handle(), 0);
  EXPECT_EQ(picture_from_dc(0)->Handle(), 0);
  DeleteDC(fresh);
  DeleteDC(display);
}

class SavePictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zentrik_gfx_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    set_write_fault(std::nullopt);
    fs::remove_all(dir_);
  }
  static std::vector<std::uint8_t> read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
  }
  fs::path dir_;
};

TEST_F(SavePictureTest, WritesATwentyFourBitBottomUpFile) {
  test::TestSurface s(3, 2);
  paint(s.dc(), 0, 0, 3, 1, 255, 0, 0);  // top row red
  paint(s.dc(), 0, 1, 3, 1, 1, 2, 3);    // bottom row
  const PicturePtr picture = picture_from_dc(s.dc());
  const fs::path file = dir_ / "frame.bmp";
  SavePicture(*picture, file.string());
  const auto bytes = read_all(file);
  ASSERT_EQ(bytes.size(), 54u + 2 * 12);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(u32(bytes, 2), 78u);
  EXPECT_EQ(u32(bytes, 6), 0u);
  EXPECT_EQ(u32(bytes, 10), 54u);
  BitmapInfoHeader header;
  std::memcpy(&header, bytes.data() + 14, sizeof(header));
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 3);
  EXPECT_EQ(header.biHeight, 2);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biCompression, 0u);
  EXPECT_EQ(header.biSizeImage, 24u);
  const std::vector<std::uint8_t> rows{3, 2, 1,   3, 2, 1,   3, 2, 1,   0, 0, 0,
                                       0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
  EXPECT_TRUE(std::equal(rows.begin(), rows.end(), bytes.begin() + 54));
}

TEST_F(SavePictureTest, PalettedPicturesAreWrittenThroughTheirColours) {
  const auto table = test::sixteen_colour_table();
  BitmapInfoHeader header;
  header.biWidth = 2;
  header.biHeight = -1;
  header.biBitCount = 4;
  void* bits = nullptr;
  const Picture picture(CreateDIBSection(0, header, table, DIB_RGB_COLORS, &bits));
  static_cast<std::uint8_t*>(bits)[0] = 0xF9;  // white, red
  const fs::path file = dir_ / "paletted.bmp";
  SavePicture(picture, file.string());
  const auto bytes = read_all(file);
  ASSERT_EQ(bytes.size(), 54u + 8);
  const std::vector<std::uint8_t> row{255, 255, 255, 0, 0, 255, 0, 0};
  EXPECT_TRUE(std::equal(row.begin(), row.end(), bytes.begin() + 54));
}

TEST_F(SavePictureTest, ReplacesAnExistingFile) {
  const fs::path file = dir_ / "old.bmp";
  std::ofstream(file) << "an older and much longer file than the new one will be, by far......"
                      << std::string(200, 'x');
  test::TestSurface s(1, 1);
  SavePicture(*picture_from_dc(s.dc()), file.string());
  EXPECT_EQ(fs::file_size(file), 58u);
}

TEST_F(SavePictureTest, UnwritablePlacesRaisePathFileAccessError) {
  test::TestSurface s(2, 2);
  const PicturePtr picture = picture_from_dc(s.dc());
  const fs::path file = dir_ / "missing" / "a.bmp";
  try {
    SavePicture(*picture, file.string());
    FAIL() << "no error raised";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 75);
    EXPECT_EQ(e.source(), "Zentrik");
    EXPECT_EQ(e.description(), system_message(ENOENT));
  }
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(SavePictureTest, AFailedWriteKeepsTheOldFile) {
  const fs::path file = dir_ / "keep.bmp";
  std::ofstream(file) << "old contents";
  test::TestSurface s(8, 8);
  const PicturePtr picture = picture_from_dc(s.dc());
  set_write_fault(100);  // the disk fills up 100 bytes in
  try {
    SavePicture(*picture, file.string());
    FAIL() << "no error raised";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 75);
    EXPECT_EQ(e.description(), system_message(ENOSPC));
  }
  set_write_fault(std::nullopt);
  const auto bytes = read_all(file);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old contents");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SavePictureTest, EmptyPictureIsAnInvalidPropertyValue) {
  try {
    SavePicture(Picture(), (dir_ / "x.bmp").string());
    FAIL() << "no error raised";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 380);
    EXPECT_EQ(e.description(), "Invalid property value");
  }
  EXPECT_FALSE(fs::exists(dir_ / "x.bmp"));
}

TEST(PictureBoxes, SizeInTwipsAndBackgroundColour) {
  PictureBox box(4, 3, true);
  EXPECT_EQ(box.Width(), 60);
  EXPECT_EQ(box.Height(), 45);
  EXPECT_EQ(GetPixel(box.hDC(), 3, 2), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(box.hDC(), 4, 0), CLR_INVALID);
  box.SetBackColor(RGB(1, 2, 3));
  EXPECT_EQ(box.BackColor(), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(box.hDC(), 0, 0), RGB(1, 2, 3));
  EXPECT_EQ(box.Picture()->Handle(), 0);
  box.Move(15, 30, 150, 300);
  EXPECT_EQ(box.Left(), 15);
  EXPECT_EQ(box.Top(), 30);
  EXPECT_EQ(box.Width(), 150);
  EXPECT_EQ(box.Height(), 300);
}

TEST(PictureBoxes, PicturePaintsAtTheTopLeftOverTheBackground) {
  PictureBox box(4, 4, true);
  box.SetBackColor(RGB(0, 0, 9));
  test::TestSurface small(2, 3);
  paint(small.dc(), 0, 0, 2, 3, 50, 60, 70);
  box.SetPicture(picture_from_dc(small.dc()));
  EXPECT_EQ(GetPixel(box.hDC(), 1, 2), RGB(50, 60, 70));
  EXPECT_EQ(GetPixel(box.hDC(), 2, 2), RGB(0, 0, 9));
  EXPECT_EQ(GetPixel(box.hDC(), 0, 3), RGB(0, 0, 9));
  EXPECT_EQ(box.Picture()->Width(), 2);

  test::TestDib large(6, 6, 24);
  paint(large.dc(), 0, 0, 6, 6, 90, 91, 92);
  box.SetPicture(picture_from_dc(large.dc()));  // cropped
  EXPECT_EQ(GetPixel(box.hDC(), 3, 3), RGB(90, 91, 92));
  box.SetPicture(nullptr);
  EXPECT_EQ(box.Picture()->Handle(), 0);
  EXPECT_EQ(GetPixel(box.hDC(), 3, 3), RGB(0, 0, 9));
}

TEST(PictureBoxes, ImageIsASnapshotOfWhatWasDrawn) {
  PictureBox box(3, 3, true);
  paint(box.hDC(), 0, 0, 3, 3, 10, 10, 10);
  const PicturePtr image = box.Image();
  ASSERT_NE(image->Handle(), 0);
  paint(box.hDC(), 0, 0, 3, 3, 20, 20, 20);
  EXPECT_EQ(picture_pixel(*image, 2, 2), RGB(10, 10, 10));
  EXPECT_EQ(GetPixel(box.hDC(), 2, 2), RGB(20, 20, 20));
  box.SetPicture(image);  // paints the older image back
  EXPECT_EQ(GetPixel(box.hDC(), 2, 2), RGB(10, 10, 10));
  paint(box.hDC(), 1, 1, 1, 1, 30, 30, 30);  // the picture object is not drawn on
  EXPECT_EQ(picture_pixel(*box.Picture(), 1, 1), RGB(10, 10, 10));
}

// The frame handler's sequence: grab into tmp, make tmp's image its picture, show it on beeld.
TEST(PictureBoxes, FramePipelineKeepsEveryHandedOutPicture) {
  const HWND capture = CreateWindowSurface(8, 6);
  PictureBox tmp(8, 6, true), beeld(8, 6, false);
  const std::size_t before = gdi_object_count();
  std::vector<PicturePtr> kept;
  for (Byte frame = 1; frame <= 5; ++frame) {
    paint(GetDC(capture), 0, 0, 8, 6, frame, static_cast<Byte>(2 * frame), 0);
    ASSERT_TRUE(is_true(BitBlt(tmp.hDC(), 0, 0, 8, 6, GetDC(capture), 0, 0, SRCCOPY)));
    tmp.SetPicture(tmp.Image());
    beeld.SetPicture(tmp.Picture());
    EXPECT_EQ(GetPixel(beeld.hDC(), 7, 5), RGB(frame, 2 * frame, 0));
    EXPECT_EQ(beeld.Picture(), tmp.Picture());
    kept.push_back(beeld.Picture());
  }
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const auto f = static_cast<Byte>(i + 1);
    EXPECT_EQ(picture_pixel(*kept[i], 0, 0), RGB(f, 2 * f, 0));
  }
  kept.clear();
  EXPECT_EQ(gdi_object_count(), before + 1);  // the picture both boxes hold
  DestroyWindow(capture);
}

TEST(PictureBoxes, MouseDownReachesTheHandler) {
  PictureBox box(2, 2, false);
  box.MouseDown(1, 0, 15.0f, 30.0f);  // no handler yet: nothing happens
  Integer button = 0, shift = 0;
  float x = 0, y = 0;
  box.OnMouseDown(
      [&](Integer b, Integer s, float px, float py) { button = b, shift = s, x = px, y = py; });
  box.MouseDown(2, 1, 1500.0f, 750.0f);
  EXPECT_EQ(button, 2);
  EXPECT_EQ(shift, 1);
  EXPECT_EQ(x, 1500.0f);
  EXPECT_EQ(y, 750.0f);
}

}  // namespace
}  // namespace zentrik
