// SplitText: cuts a text at every occurrence of a separator; k separators give k + 1 fields,
// empty fields included.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "zentrik/platform/automation.h"

namespace zentrik {

// Fills `fields` (field 1 first) and `count`. An empty separator leaves the text whole.
void SplitText(std::string_view text, std::string_view separator,
               std::vector<std::string_view>& fields, Long& count);

}  // namespace zentrik
