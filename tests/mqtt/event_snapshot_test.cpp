// Event snapshots come from the source's latest frame at its own resolution, with the zone's
// rectangle scaled onto it; the control's 320 x 240 path is unchanged.
#include <gtest/gtest.h>

#include <filesystem>

#include "apps/child_process.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/events/EventSnapshot.h"
#include "zentrik/platform/message_loop.h"
#include "zentrik/sources/MediaSourceDriver.h"

namespace zentrik {
namespace {

TEST(EventSnapshot, FullResolutionFrameWithTheZoneDrawnOnIt) {
  const std::filesystem::path clip = std::filesystem::temp_directory_path() /
                                     ("zentrik-blue-" + std::to_string(getpid()) + ".mkv");
  testing::ProcessOptions ffmpeg;
  ffmpeg.args = {"/usr/bin/ffmpeg",
                 "-loglevel",
                 "error",
                 "-y",
                 "-f",
                 "lavfi",
                 "-i",
                 "color=c=blue:size=640x360:rate=10",
                 "-frames:v",
                 "5",
                 "-c:v",
                 "ffv1",
                 "-pix_fmt",
                 "bgr0",
                 clip.string()};
  ASSERT_EQ(testing::run_process(ffmpeg).exit_code, 0);

  MessageLoop::instance().reset();
  DriverRegistry drivers;
  drivers.add({"clip", "test", [&] {
                 MediaSourceOptions options;
                 options.location = clip.string();
                 return std::make_unique<MediaSourceDriver>(options);
               }});
  {
    orvex control(drivers);
    control.video().set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
    control.set_active(vbTrue);
    ASSERT_EQ(control.video().deliver_frames(2), 2u);
    const FullFrame picture = event_snapshot_picture(control, ZoneRect{160, 120, 80, 60});
    ASSERT_EQ(picture.width, 640);
    ASSERT_EQ(picture.height, 360);
    auto at = [&](int x, int y) {
      const std::uint8_t* p = picture.pixels.data() + (static_cast<std::size_t>(y) * 640 + x) * 3;
      return std::array<int, 3>{p[0], p[1], p[2]};
    };
    auto blue = [](std::array<int, 3> bgr) { return bgr[0] >= 250 && bgr[1] < 5 && bgr[2] < 5; };
    EXPECT_TRUE(blue(at(10, 10)));
    EXPECT_EQ(at(320, 180), (std::array<int, 3>{0, 0, 255}));  // the zone's top-left corner
    EXPECT_EQ(at(479, 269), (std::array<int, 3>{0, 0, 255}));  // its bottom-right corner
    EXPECT_TRUE(blue(at(400, 225)));                           // inside: untouched
    const std::vector<std::uint8_t> jpeg = event_snapshot_jpeg(control, std::nullopt);
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    control.set_active(vbFalse);
  }
  MessageLoop::instance().reset();
  std::filesystem::remove(clip);
}

}  // namespace
}  // namespace zentrik
