// Event snapshots come from the source's latest frame at its own resolution, with the zone's
// rectangle scaled onto it; the control's 320 x 240 path is unchanged.
#include <gtest/gtest.h>

#include <filesystem>

#include "apps/child_process.h"
#include "apps/picture_files.h"
#include "apps/zentrik_program.h"
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

// `zentrik watch --snapshots` on a 640 x 480 clip that turns white at its fifth frame: the
// snapshot of the motion zone's trigger is the clip's own size with the zone's rectangle scaled
// by two (JPEG blurs it a little, so colours are compared loosely).
TEST(EventSnapshot, WatchWritesFullSizeSnapshotsWithTheZoneScaled) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("zentrik-full-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  testing::ProcessOptions ffmpeg;  // black, then white from its fifth frame
  ffmpeg.args = {"/bin/sh", "-c",
                 "ffmpeg -loglevel error -f lavfi -i \"color=size=640x480,drawbox=0:0:640:480:"
                 "white:t=fill:enable='gte(n,4)'\" -frames:v 10 -c:v ffv1 clip.mkv"};
  ffmpeg.cwd = folder;
  ASSERT_EQ(testing::run_process(ffmpeg).exit_code, 0);
  ASSERT_TRUE(testing::write_text_file(folder / "zone.zentrik",
                                       "add_motion_detection 1, 1, 40, 40, 80, 60, 5\n"
                                       "layer = 1\nactive = True\n"));
  const testing::ProcessResult run =
      testing::run_zentrik({"watch", "--source", (folder / "clip.mkv").string(), "--script",
                            (folder / "zone.zentrik").string(), "--fast", "--quiet-fps",
                            "--snapshots", (folder / "shots").string()});
  ASSERT_EQ(run.exit_code, 0) << testing::describe(run);
  const std::vector shots(std::filesystem::directory_iterator(folder / "shots"), {});
  ASSERT_EQ(shots.size(), 1u) << run.out;
  std::string why;
  const auto picture = testing::decode_jpeg(shots[0].path(), &why);
  ASSERT_TRUE(picture) << why;
  EXPECT_EQ(std::pair(picture->width, picture->height), std::pair(640, 480));
  const auto red = [](testing::Rgb c) { return c.r > 180 && c.g < 90 && c.b < 90; };
  const auto white = [](testing::Rgb c) { return c.r > 230 && c.g > 230 && c.b > 230; };
  for (auto [x, y] : {std::pair{80, 150}, {238, 150}, {160, 80}, {160, 198}})
    EXPECT_TRUE(red(picture->at(x, y))) << x << "," << y;
  for (auto [x, y] : {std::pair{160, 140}, {60, 150}, {300, 300}})
    EXPECT_TRUE(white(picture->at(x, y))) << x << "," << y;
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zentrik
