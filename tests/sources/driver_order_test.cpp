// The driver list the program builds: the virtual camera, the cameras found, the named source.
#include "zentrik/sources/DriverOrder.h"

#include <gtest/gtest.h>

#include <memory>

namespace zentrik {
namespace {

class NullDriver final : public CaptureDriver {
 public:
  std::string description() const override { return "virtual"; }
  std::string version() const override { return "1"; }
  bool open() override { return true; }
  void close() override {}
  bool start() override { return true; }
  void stop() override {}
  FrameStatus next_frame(Frame&) override { return FrameStatus::Again; }
  double frame_rate() const override { return 30; }
  std::string error() const override { return {}; }
};

DriverRegistry registry_with_virtual_camera() {
  DriverRegistry registry;
  registry.add({"Zentrik virtual camera", "1.0", [] { return std::make_unique<NullDriver>(); }});
  return registry;
}

const std::vector<V4l2Device> kCameras = {{0, "/dev/video0", "Integrated Camera"},
                                          {2, "/dev/video2", ""}};

std::string location_of(const DriverRegistry& registry, Long index) {
  auto driver = registry.open(index);
  auto* media = dynamic_cast<MediaSourceDriver*>(driver.get());
  return media == nullptr ? "" : media->location().text;
}

struct OrderCase {
  const char* named;
  std::size_t size;
  const char* last_description;
  const char* last_location;
};

class DriverOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(DriverOrder, VirtualCameraThenCamerasThenTheNamedSource) {
  DriverRegistry registry = registry_with_virtual_camera();
  add_real_sources(registry, kCameras, GetParam().named);
  ASSERT_EQ(registry.size(), GetParam().size);
  EXPECT_EQ(registry.at(0)->description, "Zentrik virtual camera");
  EXPECT_EQ(registry.at(1)->description, "Integrated Camera");
  EXPECT_EQ(registry.at(1)->version, "V4L2 /dev/video0");
  EXPECT_EQ(location_of(registry, 1), "/dev/video0");
  EXPECT_EQ(registry.at(2)->description, "Camera: /dev/video2");
  const Long last = static_cast<Long>(registry.size()) - 1;
  EXPECT_EQ(registry.at(last)->description, GetParam().last_description);
  EXPECT_EQ(location_of(registry, last), GetParam().last_location);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DriverOrder,
    ::testing::Values(OrderCase{"", 3, "Camera: /dev/video2", "/dev/video2"},
                      OrderCase{"/srv/clips/yard.mp4", 4, "File: yard.mp4", "/srv/clips/yard.mp4"},
                      OrderCase{"rtsp://admin:pw@cam/live", 4, "Stream: rtsp://admin@cam/live",
                                "rtsp://admin:pw@cam/live"},
                      OrderCase{"/dev/video0", 4, "Integrated Camera", "/dev/video0"},
                      OrderCase{"/dev/video5", 4, "Camera: /dev/video5", "/dev/video5"}));

TEST(DriverOrder, WithoutCamerasTheVirtualCameraStaysLast) {
  DriverRegistry registry = registry_with_virtual_camera();
  add_real_sources(registry, {}, "");
  ASSERT_EQ(registry.size(), 1u);
}

TEST(DriverOrder, DriversMadeCarryTheSharedOptionsAndTheirOwnDescription) {
  DriverRegistry registry;
  MediaSourceOptions shared;
  shared.retry.max_attempts = 3;
  shared.description = "ignored";
  add_real_sources(registry, kCameras, "clip.mp4", shared);
  auto driver = registry.open(2);
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(driver->description(), "File: clip.mp4");
  EXPECT_EQ(registry.open(0)->description(), "Integrated Camera");
  EXPECT_NE(registry.at(2)->version.find("libavformat"), std::string::npos);
}

}  // namespace
}  // namespace zentrik
