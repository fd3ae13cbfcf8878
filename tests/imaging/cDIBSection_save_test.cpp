// SavePicture: the bitmap file byte for byte, files that PIL reads back pixel for pixel at widths
// whose rows need padding, the raised error for a file that cannot be created, and failed
// writes that keep the old file and leave no temporary file behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "imaging_test_support.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

using testing_support::decode_with_pil;
using testing_support::paint_camera_frame;
using testing_support::pixel_from_top;
using testing_support::read_bytes;
using testing_support::ScratchFolder;

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

TEST(SavePicture, WritesTheHeadersAndTheBitsAsTheyLieInMemory) {
  ScratchFolder folder;
  cDIBSection dib;
  ASSERT_EQ(dib.Create(320, 240), vbTrue);
  paint_camera_frame(dib);
  const std::string file = folder.file("frame.bmp");
  ASSERT_EQ(dib.SavePicture(file), vbTrue);

  const auto bytes = read_bytes(file);
  ASSERT_EQ(bytes.size(), 230454u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(le32(bytes, 2), 230454u);
  EXPECT_EQ(le32(bytes, 6), 0u);
  EXPECT_EQ(le32(bytes, 10), 54u);
  EXPECT_EQ(std::memcmp(bytes.data() + 14, &dib.header(), 40), 0);
  EXPECT_EQ(le32(bytes, 14), 40u);
  EXPECT_EQ(le32(bytes, 18), 320u);
  EXPECT_EQ(le32(bytes, 22), 240u);
  EXPECT_EQ(le32(bytes, 34), 230400u);
  EXPECT_EQ(std::memcmp(bytes.data() + 54, dib.DIBSectionBitsPtr(), 230400), 0);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"frame.bmp"});
}

class SavePictureWidth : public ::testing::TestWithParam<Long> {};

// Another program reads the file as the picture, the right way up, with no stray column.
TEST_P(SavePictureWidth, PilReadsThePicturePixelForPixel) {
  ScratchFolder folder;
  cDIBSection dib;
  ASSERT_EQ(dib.Create(GetParam(), 5), vbTrue);
  paint_camera_frame(dib, 3);
  // Padding bytes that would show as a stray column if a reader took them for pixels.
  const ByteView bits = dib.view();
  for (std::ptrdiff_t row = 0; row < bits.rows(); ++row) {
    for (std::ptrdiff_t at = 3 * dib.Width(); at < bits.stride(); ++at) bits(at, row) = 0xEE;
  }
  const std::string file = folder.file("w.bmp");
  ASSERT_EQ(dib.SavePicture(file), vbTrue);
  EXPECT_EQ(read_bytes(file).size(), 54u + 5u * static_cast<std::size_t>(dib.BytesPerScanLine()));

  const auto decoded = decode_with_pil(file);
  ASSERT_TRUE(decoded.has_value()) << "PIL (python3-pil) could not read " << file;
  ASSERT_EQ(decoded->width, GetParam());
  ASSERT_EQ(decoded->height, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < GetParam(); ++x) {
      const auto want = pixel_from_top(dib, x, y);
      const std::uint8_t* got = decoded->at(x, y);
      ASSERT_EQ((testing_support::Rgb{got[0], got[1], got[2]}), want) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PaddedRows, SavePictureWidth, ::testing::Values(1, 2, 3, 4, 321));

TEST(SavePicture, ReplacesAnExistingFile) {
  ScratchFolder folder;
  const std::string file = folder.file("old.bmp");
  testing_support::write_bytes(file, std::string(300000, 'x'));
  cDIBSection dib;
  ASSERT_EQ(dib.Create(3, 2), vbTrue);
  ASSERT_EQ(dib.SavePicture(file), vbTrue);
  EXPECT_EQ(read_bytes(file).size(), 54u + 24u);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"old.bmp"});
}

TEST(SavePicture, AMissingFolderRaisesError17WithTheSystemMessageAndCreatesNothing) {
  ScratchFolder folder;
  cDIBSection dib;
  ASSERT_EQ(dib.Create(4, 4), vbTrue);
  try {
    dib.SavePicture(folder.file("absent/x.bmp"));
    FAIL() << "no error raised";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 17);
    EXPECT_EQ(e.source(), "libzentrik_imaging.cDIBSection256");
    EXPECT_EQ(e.description(), system_message(ENOENT));
    EXPECT_FALSE(e.description().empty());
  }
  EXPECT_TRUE(folder.entries().empty());
}

TEST(SavePicture, AnEmptyBufferWritesNoFile) {
  ScratchFolder folder;
  cDIBSection dib;
  EXPECT_EQ(dib.SavePicture(folder.file("a.bmp")), vbFalse);
  ASSERT_EQ(dib.Create(4, 4), vbTrue);
  dib.ClearUp();
  EXPECT_EQ(dib.SavePicture(folder.file("b.bmp")), vbFalse);
  EXPECT_TRUE(folder.entries().empty());
}

class SavePictureShortWrite : public ::testing::TestWithParam<std::size_t> {
 protected:
  void TearDown() override { set_write_fault(std::nullopt); }
};

// The disk fills up in each of the three writes: the result is False, the old file is intact and
// no temporary file is left.
TEST_P(SavePictureShortWrite, KeepsTheOldFile) {
  ScratchFolder folder;
  const std::string file = folder.file("old.bmp");
  testing_support::write_bytes(file, "the old file");
  cDIBSection dib;
  ASSERT_EQ(dib.Create(320, 240), vbTrue);
  paint_camera_frame(dib);
  set_write_fault(GetParam());
  EXPECT_EQ(dib.SavePicture(file), vbFalse);
  set_write_fault(std::nullopt);
  const auto bytes = read_bytes(file);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the old file");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"old.bmp"});
}

INSTANTIATE_TEST_SUITE_P(FaultAfter, SavePictureShortWrite,
                         ::testing::Values(0u, 13u, 14u, 53u, 54u, 1000u, 230453u));

}  // namespace
}  // namespace zentrik
