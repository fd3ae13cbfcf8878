// Small readers for the program's printed lines: words, whole numbers, the UTC time stamps and
// the frames-per-second line (without std::regex, which sanitizer builds warn about).
#pragma once

#include <string>
#include <vector>

namespace zentrik::testing {

std::string trim(const std::string& text);
// The words of a line, split at runs of spaces.
std::vector<std::string> words(const std::string& line);
// One or more decimal digits and nothing else.
bool all_digits(const std::string& text);
// "YYYY-MM-DDTHH:MM:SS.mmmZ".
bool is_utc_time(const std::string& text);
// A snapshot's file name "KIND-LN-ZN-YYYYMMDDTHHMMSS.mmmZ-fN.jpg" without its time:
// "KIND-LN-ZN-fN.jpg"; "" for a name of another form.
std::string snapshot_key(const std::string& file_name);
// "FPS = N", the readable frame-rate line.
bool is_fps_line(const std::string& line);

}  // namespace zentrik::testing
