// The ranges the control accepts for the numbers of a control script, checked before anything
// runs: layers and zones 1 to 64, the layer property 1 to 64, percentages 0 to 100, colours
// &H0 to &HFFFFFF, and the other whole numbers within the control's 16-bit Integer.
#pragma once

#include <string>
#include <vector>

#include "zentrik/script/ControlScript.h"

namespace zentrik::cli {

// "FILE:LINE:COLUMN: zone must be from 1 to 64, not 99" for each number out of its range.
std::vector<std::string> check_script_ranges(const ControlScript& script);

}  // namespace zentrik::cli
