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

std::string snapshot_key(const std::string& name) {
  std::vector<std::string> parts;
  for (std::size_t start = 0, dash;; start = dash + 1) {
    dash = name.find('-', start);
    parts.push_back(name.substr(start, dash - start));
    if (dash == std::string::npos) break;
  }
  static const std::string form = "ddddddddTdddddd.dddZ";
  if (parts.size() != 5 || parts[3].size() != form.size()) return {};
  for (std::size_t i = 0; i < form.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(parts[3][i])) != 0;
    if (form[i] == 'd' ? !digit : parts[3][i] != form[i]) return {};
  }
  return parts[0] + "-" + parts[1] + "-" + parts[2] + "-" + parts[4];
}

bool is_fps_line(const std::string& line) {
  return line.rfind("FPS = ", 0) == 0 && all_digits(line.substr(6));
}

}  // namespace zentrik::testing
