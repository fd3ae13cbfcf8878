// Listing cameras from a fake video4linux class folder laid out in a temporary folder.
#include "zentrik/sources/V4l2Devices.h"

#include <gtest/gtest.h>

#include <fstream>

#include "temp_folder.h"

namespace zentrik {
namespace {

using testing::TempFolder;

// Makes <root>/<entry>/ with the given `name` and `index` files ("" leaves a file out).
void add_entry(const std::filesystem::path& root, const std::string& entry, const std::string& name,
               const std::string& index = "0\n") {
  std::filesystem::create_directories(root / entry);
  if (!name.empty()) std::ofstream(root / entry / "name") << name;
  if (!index.empty()) std::ofstream(root / entry / "index") << index;
}

TEST(V4l2Devices, ListsCaptureNodesInNumberOrderWithCardNames) {
  TempFolder tree;
  const auto root = tree / "video4linux";
  add_entry(root, "video10", "USB 2.0 Camera: USB Camera\n");
  add_entry(root, "video0", "Integrated Camera: Integrated C\n");
  add_entry(root, "video1", "Integrated Camera: Integrated C\n", "1\n");  // its metadata node
  add_entry(root, "video2", "", "");                                      // no name, no index
  add_entry(root, "video3", "Capture card  \r\n", "");
  add_entry(root, "vbi0", "Teletext");
  add_entry(root, "videoX", "not a device");
  add_entry(root, "video-1", "not a device");
  add_entry(root, "video99999999999", "too long a number");
  std::ofstream(root / "video7") << "a file, not an entry";

  const auto devices = list_v4l2_devices(root, "/dev");
  ASSERT_EQ(devices.size(), 5u);
  EXPECT_EQ(devices[0].number, 0);
  EXPECT_EQ(devices[0].path, "/dev/video0");
  EXPECT_EQ(devices[0].card, "Integrated Camera: Integrated C");
  EXPECT_EQ(devices[1].path, "/dev/video2");
  EXPECT_EQ(devices[1].card, "");
  EXPECT_EQ(devices[2].path, "/dev/video3");
  EXPECT_EQ(devices[2].card, "Capture card");
  EXPECT_EQ(devices[3].path, "/dev/video7");  // unreadable as a folder: listed without a name
  EXPECT_EQ(devices[3].card, "");
  EXPECT_EQ(devices[4].number, 10);
  EXPECT_EQ(devices[4].card, "USB 2.0 Camera: USB Camera");
}

TEST(V4l2Devices, DeviceNodesLiveUnderTheGivenFolder) {
  TempFolder tree;
  add_entry(tree.path(), "video4", "Cam");
  const auto devices = list_v4l2_devices(tree.path(), "/run/devices");
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].path, "/run/devices/video4");
}

TEST(V4l2Devices, MissingOrEmptyTreeListsNothing) {
  TempFolder tree;
  EXPECT_TRUE(list_v4l2_devices(tree / "absent").empty());
  EXPECT_TRUE(list_v4l2_devices(tree.path()).empty());
}

}  // namespace
}  // namespace zentrik
