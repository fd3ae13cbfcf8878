// Starting programs.
#pragma once

#include <string>

#include "zentrik/platform/automation.h"

namespace zentrik {

inline constexpr Long vbNormalFocus = 1;

// Starts the program at `pathName` (arguments separated by blanks follow it) without waiting;
// returns its process id. Raises 53 (File not found) when it cannot be started.
Long Shell(const std::string& pathName, Long windowStyle = vbNormalFocus);

}  // namespace zentrik
