#include "apps/text_checks.h"

#include <cctype>
#include <sstream>

namespace zentrik::testing {

std::string trim(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

bool all_digits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool is_utc_time(const std::string& text) {
  static const std::string form = "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() != form.size()) return false;
  for (std::size_t i = 0; i < form.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (form[i] == 'd' ? !digit : text[i] != form[i]) return false;
  }
  return true;
}

bool is_fps_line(const std::string& line) {
  return line.rfind("FPS = ", 0) == 0 && all_digits(line.substr(6));
}

}  // namespace zentrik::testing
