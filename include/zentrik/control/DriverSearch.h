// Picks the capture driver the control uses: the highest-numbered driver whose description,
// without leading blanks and in any letter case, starts with "TAVO CAM"; else the last driver.
#pragma once

#include <string>
#include <string_view>

#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/platform/automation.h"

namespace zentrik {

inline constexpr Long kDriverTextSize = 100;
inline constexpr std::string_view kDriverSearchText = "TAVO CAM";

struct DriverChoice {
  Integer device_id = -1;   // the matched driver, else the number of drivers - 1
  std::string videodevice;  // the matched driver's whole 100-character buffer, else ""
};

// Enumerates `drivers` through capGetDriverDescriptionA.
DriverChoice search_capture_driver(const DriverRegistry& drivers);

}  // namespace zentrik
