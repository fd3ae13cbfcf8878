// `zentrik drivers`: the capture drivers in enumeration order, as the control's driver search
// sees them, with the one it would choose marked.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/control/DriverSearch.h"
#include "zentrik/sources/DriverOrder.h"
#include "zentrik/sources/V4l2Devices.h"

namespace zentrik::cli {

const char* const kDriversHelp =
    "usage: zentrik drivers [--source SRC] [--sysfs DIR]\n"
    "\n"
    "Lists the capture drivers in the order the control enumerates them: the built-in virtual\n"
    "camera, the V4L2 cameras found, then SRC when given (as `zentrik watch --source SRC`\n"
    "would add it). The driver the control would choose is marked with '*'. --sysfs names\n"
    "another folder laid out like /sys/class/video4linux.\n";

int run_drivers(const std::vector<std::string>& args) {
  CommandLine cl(args, {}, {"source", "sysfs"});
  cl.at_most(0);
  DriverRegistry drivers = DriverRegistry::standard();
  add_real_sources(drivers, list_v4l2_devices(cl.value_or("sysfs", kVideo4LinuxRoot)),
                   cl.value_or("source", ""));
  const DriverChoice choice = search_capture_driver(drivers);
  for (Long i = 0;; ++i) {
    char description[kDriverTextSize] = {};
    char version[kDriverTextSize] = {};
    if (capGetDriverDescriptionA(drivers, i, description, kDriverTextSize, version,
                                 kDriverTextSize) == 0) {
      break;
    }
    std::printf("%c %2d  %-40s %s\n", i == choice.device_id ? '*' : ' ', i, description, version);
  }
  if (choice.device_id < 0) std::printf("no capture driver\n");
  return kExitOk;
}

}  // namespace zentrik::cli
