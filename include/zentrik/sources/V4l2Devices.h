// The V4L2 cameras of this machine: the videoN entries of the kernel's video4linux class folder
// with their card names, in device-number order. The folder can be any tree laid out like it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zentrik {

struct V4l2Device {
  int number = 0;    // N of videoN
  std::string path;  // device node, e.g. /dev/video0
  std::string card;  // the card name from the entry's `name` file ("" when unreadable)
};

inline constexpr const char* kVideo4LinuxRoot = "/sys/class/video4linux";

// Lists the entries videoN of `class_root` by N, with device nodes under `device_root`. An entry
// whose `index` file holds a number other than 0 is a further node of a device listed already
// (its metadata stream, on USB cameras) and is left out. A missing folder lists nothing.
std::vector<V4l2Device> list_v4l2_devices(
    const std::filesystem::path& class_root = kVideo4LinuxRoot,
    const std::filesystem::path& device_root = "/dev");

}  // namespace zentrik
