// Real-time pacing of a video file whose frames are unevenly spaced, on a manual clock: each
// frame carries its time stamp and reaches the host at that stamp's distance from the first, so
// the file plays at its own speed, not at the rate it declares.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "source_options.h"
#include "temp_folder.h"
#include "test_video.h"
#include "zentrik/capture/ezVidCap.h"
#include "zentrik/platform/dispatch.h"
#include "zentrik/platform/message_loop.h"
#include "zentrik/sources/MediaSourceDriver.h"

namespace zentrik {
namespace {

using testing::TempFolder;
using testing::TestVideo;

// Frame k of the clip is shown k * k * 10 ms after the first: gaps from 10 ms (faster than the
// declared 25 frames per second) to 570 ms.
double stamp_of(int k) {
  return k * k * 0.01;
}
constexpr const char* kUnevenEncoding =
    "-vf settb=1/1000,setpts=N*N*10 -fps_mode passthrough -enc_time_base 1:1000 -c:v ffv1";

class MediaPacing : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string log;
    ASSERT_TRUE(testing::make_test_video(path_, kUnevenEncoding, log)) << log;
    MessageLoop::instance().reset();
    MessageLoop::instance().set_clock(std::make_shared<ManualClock>());
  }
  void TearDown() override {
    MessageLoop::instance().reset();
    MessageLoop::instance().set_clock(nullptr);
  }

  TempFolder folder_;
  std::filesystem::path path_ = folder_ / "uneven.mkv";
};

TEST_F(MediaPacing, FramesCarryTheirTimeStamps) {
  MediaSourceDriver driver(testing::source(path_.string()));
  ASSERT_TRUE(driver.open()) << driver.error();
  EXPECT_DOUBLE_EQ(driver.frame_rate(), TestVideo::kRate);  // what the file declares
  ASSERT_TRUE(driver.start());
  auto frame = std::make_unique<Frame>();
  for (int k = 0; k < TestVideo::kFrames; ++k) {
    ASSERT_EQ(driver.next_frame(*frame), FrameStatus::Ok) << "frame " << k;
    EXPECT_NEAR(frame->time, stamp_of(k), 1e-9) << "frame " << k;
  }
}

TEST_F(MediaPacing, AnUnevenFilePlaysAtItsTimeStampsNotItsDeclaredRate) {
  DriverRegistry drivers;
  const std::string location = path_.string();
  drivers.add({"uneven", "1.0", [location] {
                 return std::make_unique<MediaSourceDriver>(testing::source(location));
               }});
  ezVidCap component(drivers);
  MessageLoop& loop = MessageLoop::instance();
  std::vector<std::int64_t> shown;
  FunctionSink sink([&](DispId, std::span<Variant>) { shown.push_back(loop.now_ms()); });
  component.events().advise(&sink);
  bool ended = false;
  component.on_report([&](const ezVidCap::Report& report) {
    EXPECT_EQ(report.number, ezVidCap::kSourceEndedError) << report.description;
    ended = true;
  });
  component.put(ezVidCap::kDriverIndex, Variant(Long{0}));
  component.put(ezVidCap::kStreaming, Variant::from_boolean(vbTrue));

  // At the declared rate the clip would be over after 30 / 25 s.
  loop.advance(1200);
  EXPECT_LT(shown.size(), 12u);
  for (std::int64_t ms = 0; ms < 20000 && !ended; ms += 100) loop.advance(100);
  EXPECT_TRUE(ended);
  ASSERT_EQ(shown.size(), static_cast<std::size_t>(TestVideo::kFrames));
  for (int k = 0; k < TestVideo::kFrames; ++k) {
    const auto expected = shown[0] + static_cast<std::int64_t>(std::lround(stamp_of(k) * 1000));
    EXPECT_EQ(shown[static_cast<std::size_t>(k)], expected) << "frame " << k;
  }
  component.events().unadvise();
}

}  // namespace
}  // namespace zentrik
