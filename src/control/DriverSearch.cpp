// The capture driver search of start-up.
#include "zentrik/control/DriverSearch.h"

#include <algorithm>
#include <cctype>

#include "zentrik/capture/DriverRegistry.h"

namespace zentrik {
namespace {

// Leading and trailing blanks removed (blanks only: a NUL is text like any other here).
std::string trim_blanks(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

bool matches_search_text(const std::string& description) {
  std::string text = trim_blanks(description);
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text.substr(0, kDriverSearchText.size()) == kDriverSearchText;
}

}  // namespace

DriverChoice search_capture_driver(const DriverRegistry& drivers) {
  // One pair of buffers for the whole enumeration, as the enumeration call fills them.
  std::string description(kDriverTextSize, '\0');
  std::string version(kDriverTextSize, '\0');
  DriverChoice choice;
  bool matched = false;
  Long index = 0;
  while (capGetDriverDescriptionA(drivers, index, description.data(), kDriverTextSize,
                                  version.data(), kDriverTextSize) != 0) {
    if (matches_search_text(description)) {
      choice.device_id = wrap_integer(index);
      choice.videodevice = description;
      matched = true;
    }
    ++index;
  }
  if (!matched) choice.device_id = wrap_integer(index - 1);
  return choice;
}

}  // namespace zentrik
