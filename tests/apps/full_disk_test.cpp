// Files the program writes onto a full disk (the file layer's write fault): the command fails
// with one line naming the file and the reason, the old file stays as it was, and no partial or
// temporary file is left beside it.
#include <gtest/gtest.h>

#include <set>

#include "apps/picture_files.h"
#include "apps/reported_event.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

struct FullDiskCase {
  const char* name;
  std::vector<std::string> args;  // "@in.bmp", "@pal" and "@out" stand for the files
  const char* out;                // the output's file name
};

class FullDisk : public ::testing::TestWithParam<FullDiskCase> {};

TEST_P(FullDisk, OldFileKeptNothingPartialOneMessage) {
  const FullDiskCase& c = GetParam();
  TempFolder folder;
  ASSERT_TRUE(write_bitmap24(folder / "in.bmp", 8, 6, [](int x, int y) {
    return Rgb{static_cast<std::uint8_t>(30 * x), static_cast<std::uint8_t>(40 * y), 200};
  }));
  const ProcessResult made =
      run_zentrik({"palette", "make", "16", (folder / "in.pal").string()}, folder.path());
  ASSERT_EQ(made.exit_code, 0) << describe(made);
  const std::string old = "the previous " + std::string(c.out);
  ASSERT_TRUE(write_text_file(folder / c.out, old));

  std::vector<std::string> args;
  for (const std::string& a : c.args) {
    args.push_back(a == "@in.bmp" ? (folder / "in.bmp").string()
                   : a == "@pal"  ? (folder / "in.pal").string()
                   : a == "@out"  ? (folder / c.out).string()
                                  : a);
  }
  const ProcessResult run = run_zentrik(args, folder.path(), {{"ZENTRIK_WRITE_FAULT_AFTER", "10"}});
  EXPECT_EQ(run.exit_code, 1) << describe(run);
  EXPECT_EQ(read_text_file(folder / c.out), old);
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"in.bmp", "in.pal", c.out}));
  const auto lines = split_lines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find(c.out), std::string::npos) << run.err;
  EXPECT_NE(lines[0].find("No space left on device"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Files, FullDisk,
    ::testing::Values(
        FullDiskCase{"RawPalette", {"palette", "convert", "@pal", "@out", "--raw"}, "out.pal"},
        FullDiskCase{"JascPalette", {"palette", "convert", "@pal", "@out"}, "out.pal"},
        FullDiskCase{
            "StandardRawPalette", {"palette", "make", "halftone", "@out", "--raw"}, "h.pal"},
        FullDiskCase{"Bitmap", {"image", "grey", "@in.bmp", "@out"}, "out.bmp"},
        FullDiskCase{"Jpeg", {"image", "copy", "@in.bmp", "@out"}, "out.jpg"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrik::testing
