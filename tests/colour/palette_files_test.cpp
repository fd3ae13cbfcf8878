// cPalette's raw palette block: offsets, the accepted counts, short files and failed writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "colour_test_support.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

using testing::ReadBytes;
using testing::Rgb;
using testing::ScratchFolder;
using testing::WriteBytes;

std::string Count32(std::uint32_t n) {
  return std::string{char(n & 0xFF), char((n >> 8) & 0xFF), char((n >> 16) & 0xFF),
                     char((n >> 24) & 0xFF)};
}

// A count and then raw entry bytes.
std::string Block(std::uint32_t n, const std::string& entryBytes) {
  return Count32(n) + entryBytes;
}

class PaletteFiles : public ::testing::Test {
 protected:
  void TearDown() override { set_write_fault(std::nullopt); }
  ScratchFolder folder_;
};

TEST_F(PaletteFiles, SaveThenLoadKeepsEntriesAndReservedBytes) {
  const std::string path = folder_.File("p.pal");
  WriteBytes(path, Block(3, std::string("\x01\x02\x03\x04\xff\x00\x80\x7f\x09\x09\x09\x00", 12)));
  cPalette palette;
  Long position = 0;
  ASSERT_EQ(palette.Load(path, position), vbTrue);
  EXPECT_EQ(position, 16);
  ASSERT_EQ(palette.Count(), 3);
  EXPECT_EQ(palette.entries()[0], (PaletteEntry{1, 2, 3, 4}));
  EXPECT_EQ(palette.entries()[1], (PaletteEntry{255, 0, 128, 127}));

  const std::string copy = folder_.File("copy.pal");
  ASSERT_EQ(palette.Save(copy, 0), vbTrue);
  EXPECT_EQ(ReadBytes(copy), ReadBytes(path));
  cPalette reread;
  position = 0;
  ASSERT_EQ(reread.Load(copy, position), vbTrue);
  EXPECT_EQ(reread.entries(), palette.entries());
  EXPECT_EQ(position, 4 + 4 * 3);
}

TEST_F(PaletteFiles, NegativePositionReadsFromTheStart) {
  const std::string path = folder_.File("p.pal");
  WriteBytes(path, Block(1, std::string("\x05\x06\x07\x00", 4)));
  cPalette palette;
  Long position = -5;
  ASSERT_EQ(palette.Load(path, position), vbTrue);
  EXPECT_EQ(position, 8);
  EXPECT_EQ(palette.entries()[0], Rgb(5, 6, 7));
}

TEST_F(PaletteFiles, BlockAtAnOffset) {
  const std::string path = folder_.File("p.pal");
  WriteBytes(path, std::string(100, 'x') +
                       Block(2, std::string("\x01\x02\x03\x00\x04\x05\x06\x00", 8)) + "trailing");
  cPalette palette;
  Long position = 100;
  ASSERT_EQ(palette.Load(path, position), vbTrue);
  EXPECT_EQ(position, 112);
  EXPECT_EQ(palette.entries(), (std::vector<PaletteEntry>{Rgb(1, 2, 3), Rgb(4, 5, 6)}));
}

struct RefusedBlock {
  const char* name;
  std::string bytes;
};

class RefusedBlocks : public PaletteFiles, public ::testing::WithParamInterface<RefusedBlock> {};

TEST_P(RefusedBlocks, ReturnFalseAndChangeNothing) {
  const std::string path = folder_.File("p.pal");
  WriteBytes(path, GetParam().bytes);
  cPalette palette;
  palette.CreateMono();
  Long position = -3;
  EXPECT_EQ(palette.Load(path, position), vbFalse);
  EXPECT_EQ(position, 0);  // set before the count is read
  EXPECT_EQ(palette.entries(), (std::vector<PaletteEntry>{Rgb(0, 0, 0), Rgb(255, 255, 255)}));
}

INSTANTIATE_TEST_SUITE_P(
    Counts, RefusedBlocks,
    ::testing::Values(RefusedBlock{"Empty", ""},
                      RefusedBlock{"ShortCount", std::string("\x01\x00\x00", 3)},
                      RefusedBlock{"Zero", Block(0, std::string(16, '\0'))},
                      RefusedBlock{"Over4097", Block(4098, std::string(4 * 4098, '\1'))},
                      RefusedBlock{"Negative", Block(0xFFFFFFFFu, std::string(16, '\0'))},
                      RefusedBlock{"Huge", Block(0x7FFFFFFFu, std::string(16, '\0'))}),
    [](const ::testing::TestParamInfo<RefusedBlock>& info) { return info.param.name; });

TEST_F(PaletteFiles, Accepts4097Entries) {
  const std::string path = folder_.File("p.pal");
  WriteBytes(path, Block(4097, std::string(4 * 4097, '\x11')));
  cPalette palette;
  Long position = 0;
  ASSERT_EQ(palette.Load(path, position), vbTrue);
  EXPECT_EQ(palette.Count(), 4097);
  EXPECT_EQ(position, 4 + 4 * 4097);
  EXPECT_EQ(palette.entries().back(), (PaletteEntry{0x11, 0x11, 0x11, 0x11}));
}

TEST_F(PaletteFiles, ShortEntryBlockKeepsWhatWasReadThenZeros) {
  const std::string path = folder_.File("p.pal");
  WriteBytes(path, Block(3, std::string("\x01\x02\x03\x00\x04\x05\x06\x00\x07\x08", 10)));
  cPalette palette;
  Long position = 0;
  EXPECT_EQ(palette.Load(path, position), vbFalse);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(palette.entries(),
            (std::vector<PaletteEntry>{Rgb(1, 2, 3), Rgb(4, 5, 6), (PaletteEntry{7, 8, 0, 0})}));
}

TEST_F(PaletteFiles, MissingOrLockedFileChangesNothing) {
  cPalette palette;
  palette.CreateMono();
  Long position = -5;
  EXPECT_EQ(palette.Load(folder_.File("none.pal"), position), vbFalse);
  EXPECT_EQ(position, -5);
  EXPECT_EQ(palette.Count(), 2);

  const std::string path = folder_.File("held.pal");
  WriteBytes(path, Block(1, std::string(4, '\0')));
  const File holder = File::open_read(path);  // held open elsewhere: no sharing
  ASSERT_TRUE(holder.is_open());
  position = 0;
  EXPECT_EQ(palette.Load(path, position), vbFalse);
  EXPECT_EQ(palette.Save(path, 0), vbFalse);
  EXPECT_EQ(palette.Count(), 2);
}

TEST_F(PaletteFiles, SaveAtAnOffsetLeavesTheBytesBeforeItUnwritten) {
  const std::string path = folder_.File("p.pal");
  WriteBytes(path, std::string(64, 'z'));  // truncated first
  cPalette palette;
  palette.Add(1, 2, 3);
  palette.Add(4, 5, 6);
  ASSERT_EQ(palette.Save(path, 8), vbTrue);
  EXPECT_EQ(ReadBytes(path),
            std::string(8, '\0') + Block(2, std::string("\x01\x02\x03\x00\x04\x05\x06\x00", 8)));
  Long position = 8;
  cPalette reread;
  ASSERT_EQ(reread.Load(path, position), vbTrue);
  EXPECT_EQ(position, 20);
}

TEST_F(PaletteFiles, SaveOfAnEmptyPaletteWritesTheCountAlone) {
  const std::string path = folder_.File("empty.pal");
  cPalette palette;
  EXPECT_EQ(palette.Save(path, 0), vbTrue);
  EXPECT_EQ(ReadBytes(path), Count32(0));
  Long position = 0;
  EXPECT_EQ(palette.Load(path, position), vbFalse);  // the reader wants 1 to 4097 entries
}

TEST_F(PaletteFiles, SaveFailuresReturnFalse) {
  cPalette palette;
  palette.CreateHalfTone();
  EXPECT_EQ(palette.Save(folder_.File("missing/p.pal"), 0), vbFalse);
  EXPECT_EQ(palette.Save(folder_.path().string(), 0), vbFalse);  // a folder
  set_write_fault(2);                                            // the count is cut short
  EXPECT_EQ(palette.Save(folder_.File("a.pal"), 0), vbFalse);
  set_write_fault(100);  // the entries are cut short
  EXPECT_EQ(palette.Save(folder_.File("b.pal"), 0), vbFalse);
  set_write_fault(std::nullopt);
  EXPECT_EQ(palette.Save(folder_.File("c.pal"), 0), vbTrue);
  EXPECT_EQ(ReadBytes(folder_.File("c.pal")).size(), 4u + 4 * 256);
  EXPECT_EQ(palette.Count(), 256);
}

}  // namespace
}  // namespace zentrik
