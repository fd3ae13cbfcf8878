// `zentrik watch --source FILE` on a clip made here from known frames: the zones report at the
// frames the clip's pictures imply, the run ends with the source, and real-time runs keep to
// the clip's frame rate.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

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

INSTANTIATE_TEST_SUITE_P(Codecs, WatchFile,
                         ::testing::Values(Encoding{"Ffv1", "clip.mkv", "-c:v ffv1 -pix_fmt bgr0"},
                                           Encoding{"RawAvi", "clip.avi",
                                                    "-c:v rawvideo -pix_fmt bgr24"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Milliseconds since the epoch of a JSON time "YYYY-MM-DDTHH:MM:SS.mmmZ".
std::int64_t unix_ms(const std::string& time) {
  std::tm utc{};
  int ms = 0;
  if (std::sscanf(time.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                  &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &ms) != 7) {
    return -1;
  }
  utc.tm_year -= 1900;
  utc.tm_mon -= 1;
  return static_cast<std::int64_t>(timegm(&utc)) * 1000 + ms;
}

// Without --fast the clip plays at its 10 frames per second: events k frames apart are at least
// k / 10 s apart (less a little for the pacer's timer).
TEST(WatchFileRealTime, KeepsTheClipsFrameRate) {
  TempFolder folder;
  std::string log;
  ASSERT_TRUE(make_test_clip(folder / "clip.mkv", "-c:v ffv1 -pix_fmt bgr0", log)) << log;
  ASSERT_TRUE(write_text_file(folder / "clip.zentrik", clip_script()));
  const ProcessResult run =
      run_zentrik({"watch", "--source", (folder / "clip.mkv").string(), "--script",
                   (folder / "clip.zentrik").string(), "--format", "json", "--quiet-fps"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  std::vector<std::pair<std::int64_t, std::int64_t>> frame_times;  // (frame, ms)
  for (const std::string& line : split_lines(run.out)) {
    if (auto e = parse_json_event(line)) {
      frame_times.emplace_back(e->frame, unix_ms(json_field(line, "time").value_or("")));
    }
  }
  ASSERT_GE(frame_times.size(), 2u) << run.out;
  const auto [first_frame, first_ms] = frame_times.front();
  const auto [last_frame, last_ms] = frame_times.back();
  ASSERT_GT(last_frame - first_frame, 10);
  EXPECT_GE(last_ms - first_ms, (last_frame - first_frame) * 1000 / TestClip::kRate - 60);
  EXPECT_NE(run.err.find("(source ended)"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace zentrik::testing
