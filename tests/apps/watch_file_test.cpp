// `zentrik watch --source FILE` on a clip made here from known frames: the zones report at the
// frames the clip's pictures imply, the run ends with the source, and real-time runs keep to
// the clip's frame rate.
#include <gtest/gtest.h>

#include <chrono>

#include "apps/test_clip.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

using Kind = ZoneSpec::Kind;

// Zone 1 (motion) and zone 2 (white) sit right of the middle on the square's row; zone 3 sees
// where the square starts; zone 4 lies below its path and never reports.
const std::vector<ZoneSpec>& clip_zones() {
  static const std::vector<ZoneSpec> zones = {
      {Kind::Motion, 1, 1, 160, 50, 60, 60, 0, 5},
      {Kind::Colour, 1, 2, 160, 50, 60, 60, 0xFFFFFF, 30},
      {Kind::Colour, 1, 3, 0, 50, 60, 60, 0xFFFFFF, 40},
      {Kind::Motion, 1, 4, 20, 150, 280, 60, 0, 1},
  };
  return zones;
}

std::string clip_script() {
  std::string text;
  for (const ZoneSpec& z : clip_zones()) text += z.script_line() + "\n";
  return text + "layer = 1\nactive = True\n";
}

struct Encoding {
  const char* name;
  const char* file;
  const char* arguments;  // lossless, so every frame is exact
};

class WatchFile : public ::testing::TestWithParam<Encoding> {
 protected:
  void SetUp() override {
    std::string log;
    clip_ = folder_ / GetParam().file;
    ASSERT_TRUE(make_test_clip(clip_, GetParam().arguments, log)) << log;
    ASSERT_TRUE(write_text_file(folder_ / "clip.zentrik", clip_script()));
  }
  ProcessResult watch(std::vector<std::string> extra) {
    std::vector<std::string> args = {
        "watch",    "--source", clip_.string(), "--script", (folder_ / "clip.zentrik").string(),
        "--format", "json",     "--quiet-fps"};
    args.insert(args.end(), extra.begin(), extra.end());
    return run_zentrik(args);
  }
  TempFolder folder_;
  std::filesystem::path clip_;
};

TEST_P(WatchFile, ZonesReportAtTheClipsFramesAndTheSourceEnds) {
  const ProcessResult run = watch({"--fast"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  const auto events = json_events(run.out);
  EXPECT_EQ(events, expected_events(clip_zones(), 1, TestClip::picture(), TestClip::kFrames));
  EXPECT_NE(run.err.find("File: " + clip_.filename().string()), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("40 frames, " + std::to_string(events.size()) + " events (source ended)"),
            std::string::npos)
      << run.err;

  // By hand: the motion zone samples columns 161..217 and rows 53..109 (15 x 15 points); the
  // square (left edge 8k in clip frame k, 40 wide, 10 sampled rows) first covers columns 161
  // and 165 at k = 16 (20 points, 8.9%), so the zone turns on at delivered frame 17. Two
  // columns change in every frame after that until k = 28, when column 217 alone is left
  // behind (10 points, 4.4%, under 5%): off at frame 29. The start zone sees 9 of its 14
  // columns white in frame 1 (90 of 210 points, 42%).
  std::vector<std::pair<std::int64_t, bool>> motion, start;
  for (const ReportedEvent& e : events) {
    if (e.zone == 1) motion.emplace_back(e.frame, e.status);
    if (e.zone == 3) start.emplace_back(e.frame, e.status);
    EXPECT_NE(e.zone, 4) << "nothing moves below the square's row";
  }
  EXPECT_EQ(motion, (std::vector<std::pair<std::int64_t, bool>>{{17, true}, {29, false}}));
  ASSERT_FALSE(start.empty());
  EXPECT_EQ(start.front(), std::make_pair(std::int64_t{1}, true));
}

TEST_P(WatchFile, FramesOptionStopsBeforeTheEnd) {
  const ProcessResult run = watch({"--fast", "--frames", "20"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  EXPECT_EQ(json_events(run.out), expected_events(clip_zones(), 1, TestClip::picture(), 20));
  EXPECT_NE(run.err.find("20 frames"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("source ended"), std::string::npos) << run.err;
}

// At 2.5 frames a second of the clip's 10, the control gets clip frames 0, 4, 8, ... 36, and
// the zones report what those pictures imply.
TEST_P(WatchFile, AnalysisRateHandsOnTheRateAskedFor) {
  const ProcessResult run = watch({"--fast", "--analyse-fps", "2.5"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  const PointValue every_fourth = [](std::int64_t n, int x, int y) {
    return TestClip::picture()(4 * (n - 1) + 1, x, y);
  };
  EXPECT_EQ(json_events(run.out), expected_events(clip_zones(), 1, every_fourth, 10));
  EXPECT_NE(run.err.find("10 frames"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Codecs, WatchFile,
                         ::testing::Values(Encoding{"Ffv1", "clip.mkv", "-c:v ffv1 -pix_fmt bgr0"},
                                           Encoding{"RawAvi", "clip.avi",
                                                    "-c:v rawvideo -pix_fmt bgr24"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without --fast the clip plays at its 10 frames per second: frame k is not delivered before
// k / 10 s after capture starts (late frames only come later), so the whole run takes at least
// the clip's 4 s, and every frame is still delivered, in order.
TEST(WatchFileRealTime, KeepsTheClipsFrameRate) {
  TempFolder folder;
  std::string log;
  ASSERT_TRUE(make_test_clip(folder / "clip.mkv", "-c:v ffv1 -pix_fmt bgr0", log)) << log;
  ASSERT_TRUE(write_text_file(folder / "clip.zentrik", clip_script()));
  const auto start = std::chrono::steady_clock::now();
  const ProcessResult run =
      run_zentrik({"watch", "--source", (folder / "clip.mkv").string(), "--script",
                   (folder / "clip.zentrik").string(), "--format", "json", "--quiet-fps"});
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  EXPECT_GE(took.count(), static_cast<double>(TestClip::kFrames) / TestClip::kRate);
  EXPECT_EQ(json_events(run.out),
            expected_events(clip_zones(), 1, TestClip::picture(), TestClip::kFrames));
  EXPECT_NE(run.err.find("40 frames"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("(source ended)"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace zentrik::testing
