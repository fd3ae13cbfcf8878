// Reading bitmap files from disk: good files, missing ones, folders, and broken contents named
// by their file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bitmap_bytes.h"
#include "zentrik/bmpread/BitmapReader.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

class BitmapFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "zentrik-bmp-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const auto path = folder_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path.string();
  }

  std::filesystem::path folder_;
};

AutomationError error_reading(const std::string& path) {
  try {
    read_bitmap_file(path);
  } catch (const AutomationError& error) {
    return error;
  }
  return AutomationError(0, "", "read without error");
}

TEST_F(BitmapFile, ReadsAGoodFile) {
  testing::BitmapShape shape;
  shape.width = 4;
  shape.height = 3;
  const auto path = write("good.bmp", testing::bitmap_bytes(shape, [](int x, int row) {
                            return static_cast<std::uint32_t>(x * 16 + row);
                          }));
  const BitmapImage image = read_bitmap_file(path);
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(image.height, 3);
  EXPECT_EQ(image.pixels[static_cast<std::size_t>(2) * image.stride + 3 * 3], 3 * 16 + 2);
}

TEST_F(BitmapFile, MissingFileRaisesFileNotFound) {
  const auto path = (folder_ / "absent.bmp").string();
  const AutomationError error = error_reading(path);
  EXPECT_EQ(error.number(), errors::kFileNotFound);
  EXPECT_EQ(error.description(), "cannot read '" + path + "': No such file or directory");
}

TEST_F(BitmapFile, FolderRaisesPathFileAccess) {
  const AutomationError error = error_reading(folder_.string());
  EXPECT_EQ(error.number(), errors::kPathFileAccess);
  EXPECT_EQ(error.description(), "cannot read '" + folder_.string() + "': Is a directory");
}

TEST_F(BitmapFile, BrokenContentsNameTheFile) {
  const auto path = write("notes.bmp", {'h', 'e', 'l', 'l', 'o'});
  const AutomationError error = error_reading(path);
  EXPECT_EQ(error.number(), kInvalidPicture);
  EXPECT_EQ(error.description(), path + ": not a bitmap file");
}

}  // namespace
}  // namespace zentrik
