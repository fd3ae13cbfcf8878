// The virtual camera as a driver: its description, the open/start/stop/close states, frames in
// scene order across pauses, and the end of a limited run.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "zentrik/capture/VirtualCamera.h"

namespace zentrik {
namespace {

TEST(VirtualCameraTest, DescribesItselfWithTheProjectVersion) {
  VirtualCamera camera;
  EXPECT_EQ(camera.description(), "Zentrik virtual camera");
  EXPECT_EQ(camera.version(), capture_driver_version());
  EXPECT_DOUBLE_EQ(camera.frame_rate(), 30.0);
  VirtualSceneOptions fast = standard_scene();
  fast.frame_rate = 25.0;
  EXPECT_DOUBLE_EQ(VirtualCamera(fast).frame_rate(), 25.0);
}

TEST(VirtualCameraTest, GivesNoFrameUnlessOpenAndStarted) {
  VirtualCamera camera;
  auto frame = std::make_unique<Frame>();
  EXPECT_EQ(camera.next_frame(*frame), FrameStatus::Error);
  EXPECT_FALSE(camera.error().empty());
  EXPECT_FALSE(camera.start());
  ASSERT_TRUE(camera.open());
  EXPECT_EQ(camera.next_frame(*frame), FrameStatus::Error);
  ASSERT_TRUE(camera.start());
  EXPECT_EQ(camera.next_frame(*frame), FrameStatus::Ok);
  camera.close();
  EXPECT_EQ(camera.next_frame(*frame), FrameStatus::Error);
}

TEST(VirtualCameraTest, FramesFollowTheSceneAcrossPausesAndRestartOnOpen) {
  VirtualCamera camera(standard_scene(11));
  auto frame = std::make_unique<Frame>();
  auto expected = std::make_unique<Frame>();
  ASSERT_TRUE(camera.open() && camera.start());
  for (std::int64_t i = 0; i < 3; ++i) {
    ASSERT_EQ(camera.next_frame(*frame), FrameStatus::Ok);
    EXPECT_EQ(frame->index, i);
  }
  camera.stop();
  ASSERT_TRUE(camera.start());
  ASSERT_EQ(camera.next_frame(*frame), FrameStatus::Ok);
  EXPECT_EQ(frame->index, 3);
  camera.scene().render(3, *expected);
  EXPECT_EQ(std::memcmp(frame->pixels, expected->pixels, sizeof frame->pixels), 0);
  camera.close();
  ASSERT_TRUE(camera.open() && camera.start());
  ASSERT_EQ(camera.next_frame(*frame), FrameStatus::Ok);
  EXPECT_EQ(frame->index, 0);
}

TEST(VirtualCameraTest, ALimitedRunEndsAfterItsFrames) {
  VirtualSceneOptions options = standard_scene();
  options.frame_limit = 2;
  VirtualCamera camera(options);
  auto frame = std::make_unique<Frame>();
  ASSERT_TRUE(camera.open() && camera.start());
  EXPECT_EQ(camera.next_frame(*frame), FrameStatus::Ok);
  EXPECT_EQ(camera.next_frame(*frame), FrameStatus::Ok);
  EXPECT_EQ(camera.next_frame(*frame), FrameStatus::End);
  EXPECT_EQ(camera.next_frame(*frame), FrameStatus::End);
  EXPECT_EQ(frame->index, 1);
}

TEST(VirtualCameraTest, CamerasSharingASceneRunIndependently) {
  auto scene = std::make_shared<const VirtualScene>(standard_scene());
  VirtualCamera a(scene);
  VirtualCamera b(scene);
  auto frame = std::make_unique<Frame>();
  ASSERT_TRUE(a.open() && a.start() && b.open() && b.start());
  a.next_frame(*frame);
  a.next_frame(*frame);
  ASSERT_EQ(b.next_frame(*frame), FrameStatus::Ok);
  EXPECT_EQ(frame->index, 0);
  EXPECT_EQ(a.next_index(), 2);
}

}  // namespace
}  // namespace zentrik
