// `zentrik watch` on live streams served by ffmpeg on 127.0.0.1 that drop, come back once and
// then never again: the run reconnects and says so, keeps its zones and their states, and once
// the retries give up ends with one line and exit status 1, in real time and with --fast. Every
// step waits for what it needs (a server listening, an event printed) with generous bounds, so
// a loaded machine makes the test slower, never wrong, and a quiet one does not wait for nothing.
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
  const int port = free_local_port();
  ASSERT_GT(port, 0);
  const std::string url = std::string(c.scheme) + "://127.0.0.1:" + std::to_string(port) +
                          (c.scheme == std::string("http") ? "/live" : "");
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik",
                              "add_color_detection 1, 1, 0, 0, 320, 240, &H0000FF, 50\n"
                              "add_color_detection 1, 2, 0, 0, 320, 240, &H00FF00, 50\n"
                              "layer = 1\n"));
  // The first stream (red) runs until the test drops it.
  auto first = std::make_unique<StreamServer>(url, 120s, "red");
  ASSERT_TRUE(first->wait_listening(port));

  ProcessOptions options;
  options.args = {zentrik_program(), "watch",
                  "--source",        url,
                  "--script",        (folder / "zones.zentrik").string(),
                  "--retries",       "3",
                  "--format",        "json",
                  "--quiet-fps"};
  if (c.fast) options.args.push_back("--fast");
  options.limit = 100s;
  ChildProcess watch(options);
  ASSERT_TRUE(watch.started());
  // Once zone 1 is on, the second stream (green, 2 s) listens before the first one drops, so
  // the first reconnection attempt finds it whatever the load; after it, nothing comes back.
  const bool on = watch.wait_for_line([](const std::string&) { return true; });
  StreamServer second(url, 2s, "lime");
  const bool second_listens = second.wait_listening(port);
  first->stop();
  const auto drop = std::chrono::steady_clock::now();
  const ProcessResult run = watch.finish();
  const std::chrono::duration<double> after_drop = std::chrono::steady_clock::now() - drop;
  ASSERT_TRUE(on) << describe(run);
  ASSERT_TRUE(second_listens);

  EXPECT_EQ(run.exit_code, 1) << describe(run);
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(count(run.err, "reconnected after "), 1u) << run.err;
  // Zone 1 went on with the first stream and off with the second: its state was kept through
  // the reconnection (a zone reset to off would have said nothing), and zone 2 saw the frames
  // of the second connection.
  const auto events = json_events(run.out);
  ASSERT_EQ(events.size(), 3u) << describe(run);
  EXPECT_EQ(events[0].zone, 1);
  EXPECT_TRUE(events[0].status);
  EXPECT_EQ(events[0].frame, 1);
  const std::int64_t switched = events[1].frame;
  EXPECT_GT(switched, 1);
  for (const ReportedEvent& e : {events[1], events[2]}) {
    EXPECT_EQ(e.frame, switched);
    EXPECT_EQ(e.status, e.zone == 2) << "zone " << e.zone;
  }
  EXPECT_NE(events[1].zone, events[2].zone);
  // The second stream never comes back: one line says it is lost, and nothing more than the
  // summary follows.
  EXPECT_EQ(count(run.err, "gave up after 3 attempts"), 1u) << run.err;
  const auto lines = split_lines(run.err);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[lines.size() - 2].find("gave up"), std::string::npos) << run.err;
  EXPECT_NE(lines.back().find(", 3 events"), std::string::npos) << run.err;
  const long frames = std::stol(lines.back().substr(lines.back().find(": ") + 2));
  EXPECT_GT(frames, switched) << run.err;
  // After the drop: a reconnection within 0.5 s, the second stream's 2 s, then the three
  // retries' 3.5 s. A run that waited or spun after giving up would reach the limit above.
  EXPECT_LT(after_drop.count(), 40.0);
}

INSTANTIATE_TEST_SUITE_P(Protocols, WatchStream,
                         ::testing::Values(StreamCase{"HttpRealTime", "http", false},
                                           StreamCase{"TcpFast", "tcp", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrik::testing
