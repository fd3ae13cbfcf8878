// Loading read bitmaps into a cDIBSection, and reading back what cDIBSection::SavePicture wrote.
#include "zentrik/bmpread/BitmapToDib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "bitmap_bytes.h"
#include "zentrik/bmpread/BitmapReader.h"

namespace zentrik {
namespace {

class BitmapToDib : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "zentrik-dib-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_P(BitmapToDib, PixelsLandInTheBufferRowForRow) {
  const int width = GetParam();
  testing::BitmapShape shape;
  shape.width = width;
  shape.height = 4;
  shape.bits = 8;
  std::mt19937 random(static_cast<unsigned>(width));
  for (int i = 0; i < 256; ++i)
    shape.palette.push_back({static_cast<std::uint8_t>(random()),
                             static_cast<std::uint8_t>(random()),
                             static_cast<std::uint8_t>(random())});
  const auto value = [](int x, int row) { return static_cast<std::uint32_t>((x * 7 + row) % 256); };
  const BitmapImage image = read_bitmap(testing::bitmap_bytes(shape, value));

  cDIBSection dib;
  ASSERT_TRUE(copy_to_dib(image, dib));
  ASSERT_EQ(dib.Width(), width);
  ASSERT_EQ(dib.Height(), 4);
  const ByteView bits = dib.view();
  for (int row = 0; row < 4; ++row)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(bits(3 * x + c, row), shape.palette[value(x, row)][c])
            << "x " << x << " row " << row;
}

TEST_P(BitmapToDib, ReadsBackWhatSavePictureWrote) {
  const int width = GetParam();
  cDIBSection original;
  ASSERT_TRUE(is_true(original.Create(width, 3)));
  const ByteView bits = original.view();
  for (int row = 0; row < 3; ++row)
    for (int offset = 0; offset < 3 * width; ++offset)
      bits(offset, row) = static_cast<std::uint8_t>(offset * 31 + row * 7);
  const std::string path = (folder_ / "saved.bmp").string();
  ASSERT_TRUE(is_true(original.SavePicture(path)));

  cDIBSection loaded;
  ASSERT_TRUE(load_bitmap_file(path, loaded));
  ASSERT_EQ(loaded.Width(), width);
  ASSERT_EQ(loaded.Height(), 3);
  for (int row = 0; row < 3; ++row)
    for (int offset = 0; offset < 3 * width; ++offset)
      ASSERT_EQ(loaded.view()(offset, row), bits(offset, row));
}

INSTANTIATE_TEST_SUITE_P(Widths, BitmapToDib, ::testing::Values(1, 2, 3, 321));

}  // namespace
}  // namespace zentrik
