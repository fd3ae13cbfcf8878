// `zentrik watch` on live streams served by ffmpeg on 127.0.0.1 that drop, come back once and
// then never again: the run reconnects and says so, keeps its zones and their states, and once
// the retries give up ends with one line and exit status 1, in real time and with --fast.
#include <gtest/gtest.h>

#include <algorithm>

#include "apps/reported_event.h"
#include "apps/stream_server.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

using namespace std::chrono_literals;

struct StreamCase {
  const char* name;
  const char* scheme;  // "http" or "tcp"
  bool fast;
};

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class WatchStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(WatchStream, DropIsReconnectedAndGivingUpEndsTheRun) {
  const StreamCase& c = GetParam();
  const int port = free_port();
  ASSERT_GT(port, 0);
  const std::string url = std::string(c.scheme) + "://127.0.0.1:" + std::to_string(port) +
                          (c.scheme == std::string("http") ? "/live" : "");
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "red.zentrik",
                              "add_color_detection 1, 1, 0, 0, 320, 240, &H0000FF, 50\n"
                              "layer = 1\n"));
  auto first = std::make_unique<StreamServer>(url, 2s);
  ASSERT_TRUE(first->wait_listening(port));

  ProcessOptions options;
  options.args = {zentrik_program(), "watch",
                  "--source",        url,
                  "--script",        (folder / "red.zentrik").string(),
                  "--retries",       "3",
                  "--format",        "json",
                  "--quiet-fps"};
  if (c.fast) options.args.push_back("--fast");
  options.limit = 40s;
  ChildProcess watch(options);
  ASSERT_TRUE(watch.started());
  // Once the zone is on, a second server waits for the reconnection; when the first stream
  // drops (2 s), one of the attempts that follow finds it.
  const bool on = watch.wait_for_line([](const std::string&) { return true; });
  StreamServer second(url, 2s);
  const bool second_listens = second.wait_listening(port);
  const auto drop = std::chrono::steady_clock::now();
  const ProcessResult run = watch.finish();
  const std::chrono::duration<double> after_drop = std::chrono::steady_clock::now() - drop;
  ASSERT_TRUE(on) << describe(run);
  ASSERT_TRUE(second_listens);

  EXPECT_EQ(run.exit_code, 1) << describe(run);
  EXPECT_FALSE(run.timed_out);
  // The zone turned on once and stayed on through the reconnection.
  const auto events = json_events(run.out);
  ASSERT_EQ(events.size(), 1u) << describe(run);
  EXPECT_TRUE(events[0].status);
  EXPECT_EQ(events[0].frame, 1);
  EXPECT_EQ(count(run.err, "reconnected after "), 1u) << run.err;
  // The stream never comes back a second time: one line says it is lost, and nothing more
  // than the summary follows.
  EXPECT_EQ(count(run.err, "gave up after 3 attempts"), 1u) << run.err;
  const auto lines = split_lines(run.err);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[lines.size() - 2].find("gave up"), std::string::npos) << run.err;
  EXPECT_NE(lines.back().find(", 1 events"), std::string::npos) << run.err;
  // Frames of both connections were watched (25 per second, 2 s each).
  const long frames = std::stol(lines.back().substr(lines.back().find(": ") + 2));
  EXPECT_GT(frames, 50) << run.err;
  // The first stream plays 2 s, the second 2 s, then the three retries take 3.5 s; the rest
  // is start-up. A run that waited or spun after giving up would hit the limit above.
  EXPECT_LT(after_drop.count(), 20.0);
}

INSTANTIATE_TEST_SUITE_P(Protocols, WatchStream,
                         ::testing::Values(StreamCase{"HttpRealTime", "http", false},
                                           StreamCase{"TcpFast", "tcp", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrik::testing
