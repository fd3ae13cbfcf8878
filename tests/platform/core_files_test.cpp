// Files without sharing, counted transfers, the replacing writer under faults, file helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

std::span<const std::uint8_t> bytes_of(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "zentrik_files_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    set_write_fault(std::nullopt);
    std::filesystem::remove_all(dir);
  }
  std::string path(const std::string& name) const { return dir + "/" + name; }
  void put(const std::string& name, const std::string& text) {
    File f = File::create(path(name));
    ASSERT_TRUE(f.is_open());
    ASSERT_EQ(f.write(bytes_of(text)), text.size());
  }
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
  }
  std::string dir;
};

TEST_F(FilesTest, ReadWriteSeekAndLength) {
  put("a.bin", "hello world");
  File f = File::open_read(path("a.bin"));
  ASSERT_TRUE(f.is_open());
  EXPECT_EQ(f.length(), 11);
  ASSERT_TRUE(f.seek(6));
  std::uint8_t buffer[16] = {};
  EXPECT_EQ(f.read(buffer), 5u);  // short at end of file, not an error
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 5), "world");
  EXPECT_EQ(f.error(), 0);
  EXPECT_FALSE(f.seek(-1));
  EXPECT_EQ(f.error(), EINVAL);
}

TEST_F(FilesTest, WritingAfterASeekPastTheEndLeavesZeros) {
  File f = File::create(path("gap.bin"));
  ASSERT_TRUE(f.seek(8));
  EXPECT_EQ(f.write(bytes_of("ab")), 2u);
  f.close();
  EXPECT_EQ(*read_file(path("gap.bin")), std::string(8, '\0') + "ab");
}

TEST_F(FilesTest, OpenFailuresReportErrno) {
  File missing = File::open_read(path("none"));
  EXPECT_FALSE(missing.is_open());
  EXPECT_EQ(missing.error(), ENOENT);
  File folder = File::open_read(dir);
  EXPECT_FALSE(folder.is_open());
  File nowhere = File::create(path("no/such/folder.bin"));
  EXPECT_FALSE(nowhere.is_open());
  EXPECT_EQ(nowhere.error(), ENOENT);
  std::uint8_t b[1];
  EXPECT_EQ(missing.read(b), 0u);
  EXPECT_EQ(missing.error(), EBADF);
}

TEST_F(FilesTest, AFileHeldByAnotherHandleCannotBeOpened) {
  put("held.bin", "keep me");
  File holder = File::open_read(path("held.bin"));
  ASSERT_TRUE(holder.is_open());
  File second = File::open_read(path("held.bin"));
  EXPECT_FALSE(second.is_open());
  EXPECT_EQ(second.error(), EBUSY);
  File truncating = File::create(path("held.bin"));
  EXPECT_FALSE(truncating.is_open());
  EXPECT_EQ(*read_file(path("held.bin")), "keep me");  // not truncated
  // A moved-from handle no longer holds anything; the moved-to one does until it closes.
  File moved = std::move(holder);
  EXPECT_FALSE(File::open_read(path("held.bin")).is_open());
  moved.close();
  EXPECT_TRUE(File::open_read(path("held.bin")).is_open());
}

TEST_F(FilesTest, WriteFaultMakesWritesShortWithNoSpace) {
  File f = File::create(path("full.bin"));
  set_write_fault(5);
  EXPECT_EQ(f.write(bytes_of("abc")), 3u);
  EXPECT_EQ(f.write(bytes_of("defg")), 2u);
  EXPECT_EQ(f.error(), ENOSPC);
  EXPECT_EQ(f.write(bytes_of("x")), 0u);
  set_write_fault(std::nullopt);
  EXPECT_EQ(f.write(bytes_of("h")), 1u);
  f.close();
  EXPECT_EQ(*read_file(path("full.bin")), "abcdeh");
}

TEST_F(FilesTest, ReplacingWriterCommitsOverTheTarget) {
  put("out.bmp", "old");
  ASSERT_EQ(::chmod(path("out.bmp").c_str(), 0640), 0);
  ReplacingFileWriter w;
  ASSERT_TRUE(w.open(path("out.bmp")));
  EXPECT_EQ(w.temporary_path().rfind(dir + "/", 0), 0u);  // in the target's folder
  EXPECT_EQ(w.write(bytes_of("new content")), 11u);
  EXPECT_EQ(*read_file(path("out.bmp")), "old");  // untouched until commit
  ASSERT_TRUE(w.commit());
  EXPECT_EQ(*read_file(path("out.bmp")), "new content");
  struct stat info {};
  ASSERT_EQ(::stat(path("out.bmp").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(entries(), 1u);
}

TEST_F(FilesTest, ReplacingWriterKeepsTheOldFileWhenTheDiskFills) {
  put("out.bmp", "old");
  {
    ReplacingFileWriter w;
    ASSERT_TRUE(w.open(path("out.bmp")));
    set_write_fault(4);
    EXPECT_EQ(w.write(bytes_of("0123456789")), 4u);
    EXPECT_EQ(w.error(), ENOSPC);
    set_write_fault(std::nullopt);
    EXPECT_EQ(w.write(bytes_of("more")), 4u);  // later writes succeed, the file is still bad
    EXPECT_FALSE(w.commit());
    EXPECT_EQ(w.error(), ENOSPC);
  }
  EXPECT_EQ(*read_file(path("out.bmp")), "old");
  EXPECT_EQ(entries(), 1u);  // no temporary file left behind
}

TEST_F(FilesTest, ReplacingWriterWithoutCommitRemovesItsTemporary) {
  {
    ReplacingFileWriter w;
    ASSERT_TRUE(w.open(path("new.bmp")));
    w.write(bytes_of("partial"));
  }
  EXPECT_FALSE(FileExists(path("new.bmp")));
  EXPECT_EQ(entries(), 0u);
}

TEST_F(FilesTest, ReplacingWriterInAMissingFolderFailsAndCreatesNothing) {
  ReplacingFileWriter w;
  EXPECT_FALSE(w.open(path("missing/out.bmp")));
  EXPECT_EQ(w.error(), ENOENT);
  EXPECT_EQ(w.write(bytes_of("x")), 0u);
  EXPECT_FALSE(w.commit());
  EXPECT_EQ(entries(), 0u);
}

TEST_F(FilesTest, ReplacingWriterRefusesATargetHeldWithoutSharing) {
  put("held.bmp", "old");
  File holder = File::open_read(path("held.bmp"));
  ReplacingFileWriter w;
  ASSERT_TRUE(w.open(path("held.bmp")));
  w.write(bytes_of("new"));
  EXPECT_FALSE(w.commit());
  EXPECT_EQ(w.error(), EBUSY);
  holder.close();
  EXPECT_EQ(*read_file(path("held.bmp")), "old");
  EXPECT_EQ(entries(), 1u);
}

TEST_F(FilesTest, ExistsDeleteAndReadWholeFile) {
  put("x.txt", "JASC\r\n0100");
  EXPECT_TRUE(FileExists(path("x.txt")));
  EXPECT_FALSE(FileExists(dir));  // a folder is not a file
  EXPECT_EQ(*read_file(path("x.txt")), "JASC\r\n0100");
  EXPECT_TRUE(DeleteFileA(path("x.txt")));
  EXPECT_FALSE(DeleteFileA(path("x.txt")));
  EXPECT_FALSE(FileExists(path("x.txt")));
  Long error = 0;
  EXPECT_FALSE(read_file(path("x.txt"), &error).has_value());
  EXPECT_EQ(error, ENOENT);
}

}  // namespace
}  // namespace zentrik
