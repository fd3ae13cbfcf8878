// `zentrik watch` on damaged video files made here (cut short, bytes flipped at a fixed seed):
// damaged frames are counted and reported, a high share of them is said while running, and two
// runs of one file give the same events.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "apps/reported_event.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

// 12 s of ffmpeg's test picture at 25 frames per second, MPEG-4 with a key frame every second.
bool make_clip(const std::filesystem::path& out, std::string& log) {
  ProcessOptions options;
  options.args = {"/usr/bin/ffmpeg",
                  "-hide_banner",
                  "-loglevel",
                  "error",
                  "-nostdin",
                  "-y",
                  "-f",
                  "lavfi",
                  "-i",
                  "testsrc=size=320x240:rate=25",
                  "-t",
                  "12",
                  "-c:v",
                  "mpeg4",
                  "-g",
                  "25",
                  out.string()};
  const ProcessResult run = run_process(options);
  log = run.err;
  return run.exit_code == 0;
}

std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Damage {
  const char* name;
  std::size_t keep_percent;  // of the file's bytes
  int flips;                 // single bits flipped past the headers
};

// The clip damaged as `d` says, as damaged.avi in `folder`.
bool make_damaged_clip(const TempFolder& folder, const Damage& d, std::string& log) {
  if (!make_clip(folder / "clip.avi", log)) return false;
  std::string bytes = read_bytes(folder / "clip.avi");
  bytes.resize(bytes.size() * d.keep_percent / 100);
  std::mt19937 random(11);
  std::uniform_int_distribution<std::size_t> where(20000, bytes.size() - 1);
  for (int i = 0; i < d.flips; ++i) bytes[where(random)] ^= static_cast<char>(1 << (i % 8));
  return write_text_file(folder / "damaged.avi", bytes);
}

// A line of FFmpeg's own log names the component and its address: "[mpeg4 @ 0x55d0...] ...".
bool has_library_log(const std::string& err) {
  return err.find(" @ 0x") != std::string::npos;
}

class WatchDamaged : public ::testing::TestWithParam<Damage> {};

TEST_P(WatchDamaged, CountedReportedAndRepeatable) {
  const Damage& d = GetParam();
  TempFolder folder;
  std::string log;
  ASSERT_TRUE(make_damaged_clip(folder, d, log)) << log;
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik",
                              "add_motion_detection 1, 1, 0, 0, 160, 120, 5\n"
                              "add_motion_detection 1, 2, 160, 120, 160, 120, 20\n"
                              "add_color_detection 1, 3, 0, 0, 320, 240, &HFFFFFF, 5\n"
                              "layer = 1\n"));
  const std::vector<std::string> args = {"watch",
                                         "--source",
                                         (folder / "damaged.avi").string(),
                                         "--script",
                                         (folder / "zones.zentrik").string(),
                                         "--fast",
                                         "--quiet-fps",
                                         "--format",
                                         "json"};
  const ProcessResult first = run_zentrik(args);
  const ProcessResult second = run_zentrik(args);
  ASSERT_EQ(first.exit_code, 0) << describe(first);
  ASSERT_EQ(second.exit_code, 0) << describe(second);
  const auto events = json_events(first.out);
  EXPECT_FALSE(events.empty());
  EXPECT_EQ(events, json_events(second.out));

  const auto lines = split_lines(first.err);
  ASSERT_FALSE(lines.empty());
  const std::string& summary = lines.back();
  EXPECT_NE(summary.find(" damaged frame"), std::string::npos) << first.err;
  EXPECT_NE(summary.find("skipped (source ended)"), std::string::npos) << first.err;
  EXPECT_EQ(summary, split_lines(second.err).back());
  // The flipped file loses far more than a tenth of its frames, and says so while running.
  const bool said = first.err.find("frames were damaged and skipped") != std::string::npos;
  EXPECT_EQ(said, d.flips > 0) << first.err;
  EXPECT_FALSE(has_library_log(first.err)) << first.err;
}

TEST(WatchDamagedVerbose, ShowsTheDecodersOwnLog) {
  TempFolder folder;
  std::string log;
  ASSERT_TRUE(make_damaged_clip(folder, {"FlippedBytes", 100, 400}, log)) << log;
  const ProcessResult run =
      run_zentrik({"--verbose", "watch", "--source", (folder / "damaged.avi").string(), "--fast",
                   "--quiet-fps"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  EXPECT_TRUE(has_library_log(run.err)) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Files, WatchDamaged,
                         ::testing::Values(Damage{"Truncated", 60, 0},
                                           Damage{"FlippedBytes", 100, 400},
                                           Damage{"TruncatedAndFlipped", 60, 400}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrik::testing
