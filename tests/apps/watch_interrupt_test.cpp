// Stopping `zentrik watch` from outside: the demo runs in real time on the virtual camera; once
// its first frames-per-second line is out, SIGINT (Ctrl-C) or SIGTERM stops capture cleanly,
// the summary line comes out and the program exits 0 with its snapshots written.
#include <gtest/gtest.h>

#include <signal.h>

#include <set>

#include "apps/text_checks.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

struct StopCase {
  const char* name;
  int signal;
};

class WatchStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(WatchStop, StopsCleanlyAfterTheFirstFrameRateLine) {
  TempFolder folder;
  ProcessOptions options;
  options.args = {zentrik_program(), "watch"};  // the demo: ten seconds unless stopped
  options.cwd = folder.path();
  options.limit = std::chrono::milliseconds(30000);
  ChildProcess child(options);
  ASSERT_TRUE(child.started());
  const bool saw_fps =
      child.wait_for_line([](const std::string& line) { return is_fps_line(line); });
  if (saw_fps) child.send_signal(GetParam().signal);
  const ProcessResult run = child.finish();
  ASSERT_TRUE(saw_fps) << describe(run);
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exit_code, 0) << describe(run);

  // The last line: "zentrik watch: N frames, M events (stopped)".
  const auto err_lines = split_lines(run.err);
  ASSERT_FALSE(err_lines.empty());
  const std::vector<std::string> summary = words(err_lines.back());
  ASSERT_EQ(summary.size(), 7u) << run.err;
  EXPECT_EQ(summary[0] + " " + summary[1], "zentrik watch:");
  EXPECT_EQ(summary[3] + " " + summary[5] + " " + summary[6], "frames, events (stopped)");
  ASSERT_TRUE(all_digits(summary[2]) && all_digits(summary[4])) << run.err;
  const long frames = std::stol(summary[2]);
  std::vector<std::string> unknown;
  const auto events = text_events(run.out, &unknown);
  EXPECT_TRUE(unknown.empty()) << unknown.front();
  EXPECT_EQ(std::stoul(summary[4]), events.size());
  // Stopped well before the demo's ten seconds (300 frames) were up.
  EXPECT_LT(frames, 300);
  ASSERT_FALSE(events.empty());
  EXPECT_LE(events.back().frame, frames);

  // The demo's default snapshot folder holds one picture for each zone that triggered.
  std::set<std::string> wanted, written;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const ReportedEvent& e = events[i];
    if (e.status && !is_warm_up(events, i)) {
      wanted.insert(e.kind + "-L" + std::to_string(e.layer) + "-Z" + std::to_string(e.zone));
    }
  }
  for (const auto& entry :
       std::filesystem::directory_iterator(folder.path() / "zentrik-snapshots")) {
    const std::string name = entry.path().filename().string();
    const std::string key = snapshot_key(name);
    EXPECT_FALSE(key.empty()) << name;
    written.insert(key.substr(0, key.rfind("-f")));
  }
  EXPECT_EQ(written, wanted);
}

INSTANTIATE_TEST_SUITE_P(Signals, WatchStop,
                         ::testing::Values(StopCase{"CtrlC", SIGINT},
                                           StopCase{"Terminate", SIGTERM}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrik::testing
