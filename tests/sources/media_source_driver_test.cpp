// MediaSourceDriver over scripted decoders: which sources read on a thread, the settings handed
// to the decoder, order and errors on the caller's thread, restarting a live source.
#include "zentrik/sources/MediaSourceDriver.h"

#include <gtest/gtest.h>

#include <memory>

#include "scripted_decoder.h"
#include "source_options.h"

namespace zentrik {
namespace {

using namespace std::chrono_literals;
using testing::DecoderScript;
using testing::end_read;
using testing::error_read;
using testing::frame_read;

struct ReadingCase {
  const char* location;
  MediaSourceOptions::Reading reading;
  bool threaded;
};

class MediaSourceDriverReading : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(MediaSourceDriverReading, ChoosesTheThreadBySourceUnlessTold) {
  MediaSourceOptions options = testing::source(GetParam().location);
  options.reading = GetParam().reading;
  MediaSourceDriver driver(options);
  EXPECT_EQ(driver.threaded(), GetParam().threaded);
}

using R = MediaSourceOptions::Reading;
INSTANTIATE_TEST_SUITE_P(Sources, MediaSourceDriverReading,
                         ::testing::Values(ReadingCase{"clip.mp4", R::Automatic, false},
                                           ReadingCase{"rtsp://cam/1", R::Automatic, true},
                                           ReadingCase{"http://host/a.avi", R::Automatic, true},
                                           ReadingCase{"/dev/video0", R::Automatic, true},
                                           ReadingCase{"clip.mp4", R::OnThread, true},
                                           ReadingCase{"rtsp://cam/1", R::OnCaller, false}));

TEST(MediaSourceDriver, HandsItsSettingsToTheDecoder) {
  DecoderScript script({{true, "", {end_read()}, 12.5}});
  MediaSourceOptions options = testing::source("rtsp://cam/1", script.factory());
  options.input_options = {{"rtsp_transport", "tcp"}};
  options.io_timeout = 1234ms;
  MediaSourceDriver driver(options);
  ASSERT_TRUE(driver.open());
  EXPECT_DOUBLE_EQ(driver.frame_rate(), 12.5);
  const auto seen = script.settings_seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].location.text, "rtsp://cam/1");
  EXPECT_EQ(seen[0].location.kind, MediaKind::Stream);
  EXPECT_EQ(seen[0].io_timeout, 1234ms);
  ASSERT_EQ(seen[0].input_options.size(), 1u);
  EXPECT_EQ(seen[0].input_options[0].first, "rtsp_transport");
}

TEST(MediaSourceDriver, OnTheCallersThreadEveryFrameComesInOrder) {
  DecoderScript script({{true, "", {frame_read(1), frame_read(2), frame_read(3), end_read()}}});
  MediaSourceDriver driver(testing::source("clip.mp4", script.factory()));
  ASSERT_TRUE(driver.open());
  ASSERT_TRUE(driver.start());
  auto frame = std::make_unique<Frame>();
  for (int k = 0; k < 3; ++k) {
    ASSERT_EQ(driver.next_frame(*frame), FrameStatus::Ok);
    EXPECT_EQ(frame->index, k);
    EXPECT_EQ(frame->pixels[7], k + 1);
  }
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::End);
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::End);
}

TEST(MediaSourceDriver, OnTheCallersThreadAFailureSticks) {
  DecoderScript script({{true, "", {frame_read(1), error_read("read from 'x' failed: EIO")}}});
  MediaSourceDriver driver(testing::source("clip.mp4", script.factory()));
  ASSERT_TRUE(driver.open());
  ASSERT_TRUE(driver.start());
  auto frame = std::make_unique<Frame>();
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::Ok);
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::Error);
  EXPECT_EQ(driver.error(), "read from 'x' failed: EIO");
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::Error);
  EXPECT_EQ(driver.status().state, SourceState::Failed);
}

TEST(MediaSourceDriver, OpenFailureKeepsTheDecodersMessage) {
  DecoderScript script({{false, "cannot open stream 'rtsp://cam/1': Connection refused", {}}});
  MediaSourceDriver driver(testing::source("rtsp://cam/1", script.factory()));
  EXPECT_FALSE(driver.open());
  EXPECT_EQ(driver.error(), "cannot open stream 'rtsp://cam/1': Connection refused");
  EXPECT_FALSE(driver.start());
}

TEST(MediaSourceDriver, LiveSourceReconnectsOnTheThreadAfterARestart) {
  DecoderScript script({
      {true, "", {frame_read(1), testing::block_read()}},
      {true, "", {frame_read(2), testing::block_read()}},
  });
  MediaSourceDriver driver(testing::source("/dev/video0", script.factory()));
  ASSERT_TRUE(driver.open());
  EXPECT_EQ(script.connections_made(), 1);
  auto frame = std::make_unique<Frame>();
  EXPECT_EQ(driver.next_frame(*frame), FrameStatus::Again);  // not started
  ASSERT_TRUE(driver.start());
  ASSERT_TRUE(driver.wait_for_frame(10s));
  ASSERT_EQ(driver.next_frame(*frame), FrameStatus::Ok);
  EXPECT_EQ(frame->pixels[0], 1);
  EXPECT_EQ(script.connections_made(), 1);  // the thread took over open()'s connection

  driver.stop();
  ASSERT_TRUE(driver.start());
  ASSERT_TRUE(driver.wait_for_frame(10s));
  ASSERT_EQ(driver.next_frame(*frame), FrameStatus::Ok);
  EXPECT_EQ(frame->pixels[0], 2);
  EXPECT_EQ(frame->index, 0);  // numbered from the new start
  EXPECT_EQ(script.connections_made(), 2);
  driver.close();
}

TEST(MediaSourceDriver, DescribesItselfByKindOrAsTold) {
  EXPECT_EQ(MediaSourceDriver(testing::source("/data/clips/yard.mp4")).description(),
            "File: yard.mp4");
  EXPECT_EQ(MediaSourceDriver(testing::source("rtsp://u:p@cam/1")).description(),
            "Stream: rtsp://u@cam/1");
  EXPECT_EQ(MediaSourceDriver(testing::source("/dev/video2")).description(), "Camera: /dev/video2");
  MediaSourceOptions named = testing::source("/dev/video2");
  named.description = "HD Webcam";
  EXPECT_EQ(MediaSourceDriver(named).description(), "HD Webcam");
  EXPECT_NE(MediaSourceDriver(testing::source("x.mp4")).version().find("libavformat "),
            std::string::npos);
}

}  // namespace
}  // namespace zentrik
