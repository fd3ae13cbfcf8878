// Bad input to the `zentrik` program: each gets a clear message naming what is wrong and its
// exit status (2 for a wrong command line or script, 1 for a file that cannot be used), and
// where watching can go on, it goes on.
#include <gtest/gtest.h>

#include "apps/picture_files.h"
#include "apps/text_checks.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

struct BadCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // made in the folder first
  std::vector<std::string> args;                           // "@/" stands for the folder
  int exit_code;
  std::vector<std::string> messages;  // each must be in stderr ("@/" as above)
  bool watched = false;               // the watch ran nonetheless (events on stdout)
};

std::string in_folder(const std::string& text, const std::filesystem::path& folder) {
  std::string out = text;
  for (std::size_t at; (at = out.find("@/")) != std::string::npos;) {
    out.replace(at, 2, folder.string() + "/");
  }
  return out;
}

class BadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadInput, ClearMessageAndExitStatus) {
  const BadCase& c = GetParam();
  TempFolder folder;
  for (const auto& [name, contents] : c.files) {
    ASSERT_TRUE(write_text_file(folder / name, contents));
  }
  std::vector<std::string> args;
  for (const std::string& a : c.args) args.push_back(in_folder(a, folder.path()));
  const ProcessResult run = run_zentrik(args, folder.path());
  EXPECT_EQ(run.exit_code, c.exit_code) << describe(run);
  EXPECT_EQ(run.signal, 0);
  for (const std::string& m : c.messages) {
    EXPECT_NE(run.err.find(in_folder(m, folder.path())), std::string::npos)
        << "wanted '" << m << "' in\n"
        << run.err;
  }
  if (c.watched) {
    EXPECT_FALSE(json_events(run.out).empty()) << describe(run);
  } else {
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find("driver 0:"), std::string::npos) << "capture started:\n" << run.err;
  }
}

const std::string kGoodZone = "add_color_detection 1, 1, 20, 20, 40, 30, &H0000FF, 50\n";

INSTANTIATE_TEST_SUITE_P(
    Watch, BadInput,
    ::testing::Values(
        BadCase{"MissingVideoFile",
                {},
                {"watch", "--source", "@/missing.mkv", "--fast"},
                1,
                {"@/missing.mkv", "No such file or directory"}},
        BadCase{"FileThatIsNoVideo",
                {{"notes.mkv", "these are notes, not a video\n"}},
                {"watch", "--source", "@/notes.mkv", "--fast"},
                1,
                {"@/notes.mkv"}},
        BadCase{
            "ScriptWithUnknownMethod",
            {{"typo.zentrik", kGoodZone + "layer = 1\nadd_motion_detecton 1, 2, 0, 0, 9, 9, 5\n"}},
            {"watch", "--script", "@/typo.zentrik", "--fast", "--frames", "5"},
            2,
            {"typo.zentrik:3:1:", "add_motion_detecton"}},
        BadCase{"ScriptWithUnknownProperty",
                {{"typo.zentrik", "layr = 1\n"}},
                {"watch", "--script", "@/typo.zentrik", "--fast", "--frames", "5"},
                2,
                {"typo.zentrik:1:1:", "layr"}},
        BadCase{"ScriptWithTooFewArguments",
                {{"short.zentrik", "' one zone\n\nadd_motion_detection 1, 2, 3\n"}},
                {"watch", "--script", "@/short.zentrik", "--fast", "--frames", "5"},
                2,
                {"short.zentrik:3:", "7"}},
        BadCase{
            "MissingScript", {}, {"watch", "--script", "@/none.zentrik"}, 2, {"@/none.zentrik"}},
        // Numbers out of the control's ranges are found before the source opens.
        BadCase{"ScriptZoneOutOfRange",
                {{"z.zentrik", "layer = 1\nadd_motion_detection 1, 99, 0, 0, 9, 9, 5\n"}},
                {"watch", "--script", "@/z.zentrik", "--fast", "--frames", "5"},
                2,
                {"z.zentrik:2:25: zone must be a whole number from 1 to 64, not 99"}},
        BadCase{"ScriptZoneLayerZero",
                {{"z.zentrik", kGoodZone + "add_color_detection 0, 1, 0, 0, 9, 9, 255, 5\n"}},
                {"watch", "--script", "@/z.zentrik", "--fast", "--frames", "5"},
                2,
                {"z.zentrik:2:21: layer must be a whole number from 1 to 64, not 0"}},
        BadCase{"ScriptLayerPropertyOutOfRange",
                {{"z.zentrik", kGoodZone + "layer = 65\n"}},
                {"watch", "--script", "@/z.zentrik", "--fast", "--frames", "5"},
                2,
                {"z.zentrik:2:9: layer must be a whole number from 1 to 64, not 65"}},
        BadCase{"ScriptClearOutOfRange",
                {{"z.zentrik", "Clear 70\n"}},
                {"watch", "--script", "@/z.zentrik", "--fast", "--frames", "5"},
                2,
                {"z.zentrik:1:7: layer must be a whole number from 1 to 64, not 70"}},
        BadCase{"ScriptPercentageAndColourOutOfRange",
                {{"z.zentrik", "add_color_detection 1, 2, 0, 0, 9, 9, &H1000000, 101\n"}},
                {"watch", "--script", "@/z.zentrik", "--fast", "--frames", "5"},
                2,
                {"z.zentrik:1:39: color must be a whole number from &H0 to &HFFFFFF, not &H1000000",
                 "z.zentrik:1:50: percentage must be a whole number from 0 to 100, not 101"}},
        BadCase{"ScriptSizeBeyondInteger",
                {{"z.zentrik", "add_motion_detection 1, 1, 0, 0, 40000, 9, 5\n"}},
                {"watch", "--script", "@/z.zentrik", "--fast", "--frames", "5"},
                2,
                {"z.zentrik:1:34: width must be a whole number from -32768 to 32767, not 40000"}},
        BadCase{"UnknownOption", {}, {"watch", "--bogus"}, 2, {"--bogus"}},
        BadCase{"FramesNotANumber", {}, {"watch", "--frames", "ten"}, 2, {"--frames", "ten"}},
        BadCase{"UnknownFormat", {}, {"watch", "--format", "xml"}, 2, {"--format"}},
        BadCase{"SteadyOutOfRange",
                {},
                {"watch", "--steady=tolerance=300"},
                2,
                {"--steady", "tolerance", "300"}},
        BadCase{
            "AnalysisRateNotANumber", {}, {"watch", "--analyse-fps", "x"}, 2, {"--analyse-fps"}},
        BadCase{"SecondsOutOfRange",
                {},
                {"watch", "--seconds", "0"},
                2,
                {"--seconds needs a number from 0.001 to 10000000, not '0'"}},
        // Options that would do nothing in the combination given.
        BadCase{"EveryTriggerWithoutSnapshots",
                {{"z.zentrik", kGoodZone}},
                {"watch", "--script", "@/z.zentrik", "--every-trigger"},
                2,
                {"--every-trigger needs --snapshots"}},
        BadCase{"RetriesForAFile",
                {{"clip.mkv", "x"}},
                {"watch", "--source", "@/clip.mkv", "--retries", "3"},
                2,
                {"--retries applies to a --source that is a stream or a camera"}},
        BadCase{"StrayArgument", {}, {"watch", "extra"}, 2, {"extra"}},
        BadCase{"UnknownCommand", {}, {"frobnicate"}, 2, {"frobnicate"}},
        BadCase{"DriversUnknownOption", {}, {"drivers", "--bogus"}, 2, {"--bogus"}},
        // A file stands where the snapshot folder should be made: a message, and watching goes
        // on without snapshots.
        BadCase{"SnapshotFolderCannotBeMade",
                {{"blocker", "a file, not a folder\n"}},
                {"watch", "--fast", "--frames", "40", "--format", "json", "--quiet-fps",
                 "--snapshots", "@/blocker/shots"},
                0,
                {"cannot write snapshots to @/blocker/shots", "watching goes on"},
                true}),
    [](const auto& info) { return std::string(info.param.name); });

// A bitmap file header claiming a 2 x 2 24-bit image, cut short after the header.
std::string truncated_bitmap() {
  std::string b(54, '\0');
  b[0] = 'B';
  b[1] = 'M';
  b[2] = 70;
  b[10] = 54;
  b[14] = 40;
  b[18] = 2;
  b[22] = 2;
  b[26] = 1;
  b[28] = 24;
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Imaging, BadInput,
    ::testing::Values(
        BadCase{"ImageOfMissingBitmap",
                {},
                {"image", "grey", "@/missing.bmp", "@/out.bmp"},
                1,
                {"@/missing.bmp"}},
        BadCase{"ImageOfTextFile",
                {{"text.bmp", "no bitmap here\n"}},
                {"image", "grey", "@/text.bmp", "@/out.bmp"},
                1,
                {"text.bmp", "not a picture file"}},
        BadCase{"ImageOfTruncatedPng",
                {{"cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x02", 20)}},
                {"image", "copy", "@/cut.png", "@/out.bmp"},
                1,
                {"cut.png", "PNG"}},
        BadCase{"ImageToUnknownKind",
                {},
                {"image", "copy", "@/a.bmp", "@/out.gif"},
                2,
                {"out.gif", ".png"}},
        BadCase{"ImageOptionOfAnotherOperation",
                {},
                {"image", "grey", "@/a.bmp", "@/out.bmp", "--colours", "16"},
                2,
                {"--colours", "grey"}},
        BadCase{"ImageQualityOfBitmap",
                {},
                {"image", "copy", "@/a.bmp", "@/out.bmp", "--quality", "50"},
                2,
                {"--quality", "JPEG"}},
        BadCase{"ImageOfTruncatedBitmap",
                {{"cut.bmp", truncated_bitmap()}},
                {"image", "copy", "@/cut.bmp", "@/out.jpg"},
                1,
                {"cut.bmp"}},
        BadCase{"ImageUnknownOperation",
                {},
                {"image", "sharpen", "@/a.bmp", "@/b.bmp"},
                2,
                {"sharpen"}},
        BadCase{"ImageWithoutOutput", {}, {"image", "grey", "@/a.bmp"}, 2, {"output"}},
        BadCase{"PaletteShowOfGarbage",
                {{"junk.pal", "junk"}},
                {"palette", "show", "@/junk.pal"},
                1,
                {"junk.pal", "not a palette"}},
        BadCase{"PaletteShowOfMissingFile", {}, {"palette", "show", "@/none.pal"}, 1, {"none.pal"}},
        BadCase{"PaletteShowOfBadJascLine",
                {{"bad.pal", "JASC\r\n0100\r\n2\r\n0 0 0\r\n255 255 256"}},
                {"palette", "show", "@/bad.pal"},
                1,
                {"bad.pal"}},
        // Line feeds alone end lines too; a colour above 255 is wrong whatever the line ends.
        BadCase{"PaletteShowOfJascWithLineFeeds",
                {{"lf.pal", "JASC\n0100\n2\n0 0 0\n255 255 256\n"}},
                {"palette", "show", "@/lf.pal"},
                1,
                {"lf.pal", "colour line"}},
        BadCase{"PaletteShowOfGimpWithBadLine",
                {{"bad.gpl", "GIMP Palette\nName: x\n#\n  1   2   3\tOne\n  4 five 6\n"}},
                {"palette", "show", "@/bad.gpl"},
                1,
                {"bad.gpl", "line 5"}},
        // A raw block announcing 5 entries that holds 1.
        BadCase{"PaletteShowOfShortRawBlock",
                {{"short.pal", std::string("\x05\0\0\0\x01\x02\x03\0", 8)}},
                {"palette", "show", "@/short.pal"},
                1,
                {"short.pal"}},
        BadCase{"PaletteMakeUnknownName",
                {},
                {"palette", "make", "rainbow", "@/r.pal"},
                2,
                {"rainbow"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A missing source says so once: one line, not one per retry or switch.
TEST(BadSource, MissingVideoFileIsOneMessage) {
  TempFolder folder;
  const ProcessResult run =
      run_zentrik({"watch", "--source", (folder / "missing.mkv").string(), "--fast"});
  EXPECT_EQ(run.exit_code, 1);
  const auto lines = split_lines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("missing.mkv"), std::string::npos);
}

// The first error of a script names the file, line and column of the mistake.
TEST(BadScript, ColumnPointsAtTheBadValue) {
  TempFolder folder;
  const std::string line = "add_color_detection 1, 1, 20, 20, 40, 30, &HZZ, 50";
  ASSERT_TRUE(write_text_file(folder / "hex.zentrik", "' zones\n" + line + "\n"));
  const ProcessResult run =
      run_zentrik({"watch", "--script", (folder / "hex.zentrik").string(), "--fast"});
  EXPECT_EQ(run.exit_code, 2);
  const std::string where = "hex.zentrik:2:";
  const std::size_t at = run.err.find(where);
  ASSERT_NE(at, std::string::npos) << run.err;
  const std::string digits =
      run.err.substr(at + where.size(), run.err.find(':', at + where.size()) - at - where.size());
  ASSERT_TRUE(all_digits(digits)) << run.err;
  const std::size_t column = std::stoul(digits);
  const std::size_t amp = line.find("&HZZ") + 1;  // columns count from 1
  EXPECT_GE(column, amp);
  EXPECT_LE(column, amp + 2);
}

// A failed conversion leaves an existing output file as it was.
TEST(BadImage, FailedOperationKeepsTheOldOutput) {
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "bad.bmp", "BM but nothing else"));
  ASSERT_TRUE(write_text_file(folder / "out.bmp", "the previous result"));
  const ProcessResult run =
      run_zentrik({"image", "grey", (folder / "bad.bmp").string(), (folder / "out.bmp").string()});
  EXPECT_EQ(run.exit_code, 1) << describe(run);
  EXPECT_EQ(read_text_file(folder / "out.bmp"), "the previous result");
}

// An output that cannot be written is an error naming it.
TEST(BadImage, UnwritableOutputIsReported) {
  TempFolder folder;
  ASSERT_TRUE(write_bitmap24(folder / "in.bmp", 4, 4, [](int, int) { return Rgb{1, 2, 3}; }));
  for (const char* out : {"no/such/folder/out.bmp", "no/such/folder/out.jpg"}) {
    const ProcessResult run =
        run_zentrik({"image", "copy", (folder / "in.bmp").string(), (folder / out).string()});
    EXPECT_EQ(run.exit_code, 1) << describe(run);
    EXPECT_NE(run.err.find(out), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace zentrik::testing
