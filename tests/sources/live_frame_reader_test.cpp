// The reader thread against scripted decoders: hand-over of the newest frame, reconnection with
// growing pauses, giving up, stopping in the middle of a blocking read or a pause.
#include "sources/LiveFrameReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "scripted_decoder.h"

namespace zentrik {
namespace {

using namespace std::chrono_literals;
using testing::block_read;
using testing::DecoderScript;
using testing::end_read;
using testing::error_read;
using testing::frame_read;
using testing::ScriptedConnection;

constexpr auto kLongWait = 10s;  // only reached when something is broken

LiveFrameReader::Settings settings_for(DecoderScript& script, RetryPolicy retry = {1, 1ms, 1ms}) {
  LiveFrameReader::Settings settings;
  settings.decoder.location = classify_location("rtsp://cam.example/1");
  settings.factory = script.factory();
  settings.retry = retry;
  return settings;
}

TEST(LiveFrameReader, HandsOverEachFrameOnceThenEnds) {
  DecoderScript script({{true, "", {frame_read(11, 5.0), frame_read(22, 9.0), end_read()}}}, true);
  LiveFrameReader reader(settings_for(script));
  auto frame = std::make_unique<Frame>();
  EXPECT_EQ(reader.take(*frame), FrameStatus::Again);  // not started
  reader.start(nullptr);
  EXPECT_EQ(reader.take(*frame), FrameStatus::Again);  // nothing decoded yet

  script.release();
  ASSERT_TRUE(reader.wait(kLongWait));
  ASSERT_EQ(reader.take(*frame), FrameStatus::Ok);
  EXPECT_EQ(frame->pixels[0], 11);
  EXPECT_EQ(frame->index, 0);
  // A live source's frame is due when it is there: it carries no stamp for the host to pace by.
  EXPECT_TRUE(std::isnan(frame->time));
  EXPECT_EQ(reader.take(*frame), FrameStatus::Again);  // taken already

  script.release(2);  // the second frame and the end
  ASSERT_TRUE(reader.wait(kLongWait));
  ASSERT_EQ(reader.take(*frame), FrameStatus::Ok);  // the last frame before the end
  EXPECT_EQ(frame->pixels[kFrameStride * kFrameHeight - 1], 22);
  EXPECT_EQ(frame->index, 1);
  ASSERT_TRUE(reader.wait(kLongWait));
  EXPECT_EQ(reader.take(*frame), FrameStatus::End);
  EXPECT_EQ(reader.status().state, SourceState::Ended);
  EXPECT_EQ(reader.status().frames, 2);
  EXPECT_EQ(reader.error(), "");
}

TEST(LiveFrameReader, KeepsOnlyTheNewestFrame) {
  DecoderScript script({{true, "", {frame_read(1), frame_read(2), frame_read(3), block_read()}}});
  LiveFrameReader reader(settings_for(script));
  reader.start(nullptr);
  auto frame = std::make_unique<Frame>();
  while (reader.status().frames < 3) reader.wait(10ms);
  ASSERT_EQ(reader.take(*frame), FrameStatus::Ok);
  EXPECT_EQ(frame->pixels[100], 3);
  EXPECT_EQ(frame->index, 2);  // the numbers show that two frames went by untaken
  reader.stop();
}

TEST(LiveFrameReader, ReconnectsAfterADropWithGrowingPauses) {
  std::vector<SourceStatus> seen;
  std::mutex seen_mutex;
  DecoderScript script({
      {true, "", {frame_read(1), error_read("Connection reset by peer")}},
      {false, "Connection refused", {}},
      {false, "Connection refused", {}},
      {true, "", {frame_read(2), end_read()}},
  });
  LiveFrameReader::Settings settings = settings_for(script, {5, 1ms, 3ms});
  settings.on_status = [&](const SourceStatus& status) {
    std::lock_guard lock(seen_mutex);
    seen.push_back(status);
  };
  LiveFrameReader reader(std::move(settings));
  reader.start(nullptr);
  while (reader.status().state != SourceState::Ended) reader.wait(10ms);
  reader.stop();

  EXPECT_EQ(script.connections_made(), 4);
  std::lock_guard lock(seen_mutex);
  std::vector<SourceState> states;
  for (const auto& s : seen) states.push_back(s.state);
  using S = SourceState;
  EXPECT_EQ(states, (std::vector<S>{S::Connecting, S::Running, S::Retrying, S::Retrying,
                                    S::Retrying, S::Running, S::Ended}));
  ASSERT_EQ(seen.size(), 7u);
  EXPECT_EQ(seen[2].attempt, 1);
  EXPECT_EQ(seen[2].retry_in, 1ms);
  EXPECT_EQ(seen[2].reason, "Connection reset by peer");
  EXPECT_EQ(seen[3].attempt, 2);
  EXPECT_EQ(seen[3].retry_in, 2ms);
  EXPECT_EQ(seen[3].reason, "Connection refused");
  EXPECT_EQ(seen[4].attempt, 3);
  EXPECT_EQ(seen[4].retry_in, 3ms);
  EXPECT_EQ(seen[4].max_attempts, 5);
  EXPECT_EQ(seen[6].frames, 2);
  EXPECT_EQ(describe(seen[3]),
            "rtsp://cam.example/1: dropped (Connection refused); reconnecting in 0.002 s, "
            "attempt 2 of 5");
}

TEST(LiveFrameReader, ALiveSourceThatEndsHasDroppedAndIsReconnected) {
  DecoderScript script(
      {{true, "", {frame_read(1), end_read()}}, {true, "", {frame_read(2), end_read()}}});
  LiveFrameReader::Settings settings = settings_for(script, {1, 1ms, 1ms});
  settings.end_is_drop = true;
  LiveFrameReader reader(std::move(settings));
  reader.start(nullptr);
  while (reader.status().state != SourceState::Failed) reader.wait(10ms);
  EXPECT_EQ(script.connections_made(), 3);  // the third finds no server
  EXPECT_EQ(reader.status().frames, 2);
  EXPECT_EQ(reader.error(), "no more connections in the script; gave up after 1 attempt");
}

TEST(LiveFrameReader, AGoodFrameResetsTheAttempts) {
  DecoderScript script({
      {true, "", {error_read("reset")}},
      {true, "", {frame_read(1), error_read("reset")}},
      {true, "", {end_read()}},
  });
  LiveFrameReader reader(settings_for(script, {1, 1ms, 1ms}));
  reader.start(nullptr);
  while (reader.status().state != SourceState::Ended &&
         reader.status().state != SourceState::Failed)
    reader.wait(10ms);
  // One attempt allowed, yet two drops survived: the frame between them started the count anew.
  EXPECT_EQ(reader.status().state, SourceState::Ended);
  EXPECT_EQ(script.connections_made(), 3);
}

struct GiveUpCase {
  int max_attempts;
  int connections;
  const char* reason;  // what each connection fails with
  const char* error;   // the source is named by whoever shows it, so not here
};

class LiveFrameReaderGivesUp : public ::testing::TestWithParam<GiveUpCase> {};

TEST_P(LiveFrameReaderGivesUp, AfterTheBoundWithTheLastReason) {
  std::vector<ScriptedConnection> failing(10, ScriptedConnection{false, GetParam().reason, {}});
  DecoderScript script(failing);
  LiveFrameReader reader(settings_for(script, {GetParam().max_attempts, 1ms, 1ms}));
  reader.start(nullptr);
  auto frame = std::make_unique<Frame>();
  ASSERT_TRUE(reader.wait(kLongWait));
  EXPECT_EQ(reader.take(*frame), FrameStatus::Error);
  EXPECT_EQ(reader.status().state, SourceState::Failed);
  EXPECT_EQ(script.connections_made(), GetParam().connections);
  EXPECT_EQ(reader.error(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, LiveFrameReaderGivesUp,
    ::testing::Values(
        GiveUpCase{0, 1, "No route to host", "No route to host"},
        GiveUpCase{1, 2, "No route to host", "No route to host; gave up after 1 attempt"},
        GiveUpCase{3, 4, "No route to host", "No route to host; gave up after 3 attempts"},
        GiveUpCase{1, 2, "cannot open stream 'rtsp://cam.example/1': Connection refused",
                   "cannot open stream: Connection refused; gave up after 1 attempt"},
        GiveUpCase{1, 2, "read from 'rtsp://cam.example/1' failed: End of file",
                   "read failed: End of file; gave up after 1 attempt"},
        GiveUpCase{1, 2, "no good frame in 9 in a row from 'rtsp://cam.example/1'",
                   "no good frame in 9 in a row; gave up after 1 attempt"},
        GiveUpCase{1, 2, "'rtsp://cam.example/1' has no video stream",
                   "has no video stream; gave up after 1 attempt"}));

TEST(LiveFrameReader, StopInterruptsABlockingRead) {
  DecoderScript script({{true, "", {frame_read(5), block_read()}}});
  LiveFrameReader reader(settings_for(script));
  reader.start(nullptr);
  ASSERT_TRUE(reader.wait(kLongWait));
  reader.stop();  // would hang here if the read were not interrupted
  EXPECT_FALSE(reader.running());
  EXPECT_EQ(reader.status().state, SourceState::Closed);
  auto frame = std::make_unique<Frame>();
  EXPECT_EQ(reader.take(*frame), FrameStatus::Again);  // the untaken frame went with the stop
}

TEST(LiveFrameReader, StopCutsAPauseShort) {
  DecoderScript script({{true, "", {error_read("reset")}}});
  LiveFrameReader reader(settings_for(script, {3, std::chrono::hours(1), std::chrono::hours(1)}));
  reader.start(nullptr);
  while (reader.status().state != SourceState::Retrying) reader.wait(10ms);
  reader.stop();  // would wait an hour if the pause were not cut short
  EXPECT_EQ(reader.status().state, SourceState::Closed);
}

TEST(LiveFrameReader, StartsWithAConnectionMadeByTheCaller) {
  DecoderScript script({{true, "", {frame_read(9), end_read()}}});
  auto opened = script.factory()(DecoderSettings{});
  ASSERT_TRUE(opened->open());
  LiveFrameReader reader(settings_for(script));
  reader.start(std::move(opened));
  while (reader.status().state != SourceState::Ended) reader.wait(10ms);
  EXPECT_EQ(script.connections_made(), 1);  // no second connection on the thread
  auto frame = std::make_unique<Frame>();
  ASSERT_EQ(reader.take(*frame), FrameStatus::Ok);
  EXPECT_EQ(frame->pixels[0], 9);
}

TEST(LiveFrameReader, PacesFramesToTheirTimestamps) {
  DecoderScript script({{true,
                         "",
                         {frame_read(1, 10.0), frame_read(2, 10.1), frame_read(3, 10.2),
                          frame_read(4, 10.3), end_read()}}});
  LiveFrameReader::Settings settings = settings_for(script);
  settings.pace = true;
  LiveFrameReader reader(std::move(settings));
  const auto began = std::chrono::steady_clock::now();
  reader.start(nullptr);
  while (reader.status().state != SourceState::Ended) reader.wait(10ms);
  // A lower bound only: the last frame is due 0.3 s after the first.
  EXPECT_GE(std::chrono::steady_clock::now() - began, 290ms);
}

TEST(LiveFrameReader, TimestampsThatJumpBackDoNotStall) {
  DecoderScript script({{true,
                         "",
                         {frame_read(1, 50.0), frame_read(2, 0.0), frame_read(3, 1e9),
                          frame_read(4, std::nan("")), end_read()}}});
  LiveFrameReader::Settings settings = settings_for(script);
  settings.pace = true;
  LiveFrameReader reader(std::move(settings));
  reader.start(nullptr);
  while (reader.status().state != SourceState::Ended) reader.wait(10ms);
  EXPECT_EQ(reader.status().frames, 4);
}

}  // namespace
}  // namespace zentrik
