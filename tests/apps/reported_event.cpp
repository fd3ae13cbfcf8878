#include "apps/reported_event.h"

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>

namespace zentrik::testing {

void PrintTo(const ReportedEvent& e, std::ostream* os) {
  *os << "{frame " << e.frame << " " << e.kind << " L" << e.layer << " Z" << e.zone << " "
      << (e.status ? "ON" : "off") << " " << e.percentage << "%";
  if (e.color >= 0) *os << " color " << e.color;
  *os << "}";
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::optional<std::string> json_field(const std::string& line, const std::string& key) {
  const std::string name = "\"" + key + "\":";
  const std::size_t at = line.find(name);
  if (at == std::string::npos) return std::nullopt;
  std::size_t begin = at + name.size();
  if (begin < line.size() && line[begin] == '"') {
    const std::size_t end = line.find('"', begin + 1);
    if (end == std::string::npos) return std::nullopt;
    return line.substr(begin + 1, end - begin - 1);
  }
  const std::size_t end = line.find_first_of(",}", begin);
  if (end == std::string::npos) return std::nullopt;
  return line.substr(begin, end - begin);
}

namespace {

bool whole_number(const std::optional<std::string>& text, std::int64_t& value) {
  if (!text || text->empty()) return false;
  char* end = nullptr;
  value = std::strtoll(text->c_str(), &end, 10);
  return *end == '\0';
}

}  // namespace

std::optional<ReportedEvent> parse_json_event(const std::string& line) {
  if (line.size() < 2 || line.front() != '{' || line.back() != '}') return std::nullopt;
  const auto kind = json_field(line, "event");
  if (!kind || (*kind != "motion" && *kind != "color")) return std::nullopt;
  ReportedEvent e;
  e.kind = *kind;
  std::int64_t layer = 0, zone = 0, percentage = 0;
  const auto status = json_field(line, "status");
  if (!whole_number(json_field(line, "frame"), e.frame) ||
      !whole_number(json_field(line, "layer"), layer) ||
      !whole_number(json_field(line, "zone"), zone) ||
      !whole_number(json_field(line, "percentage"), percentage) || !status ||
      (*status != "true" && *status != "false")) {
    return std::nullopt;
  }
  e.layer = static_cast<int>(layer);
  e.zone = static_cast<int>(zone);
  e.percentage = static_cast<int>(percentage);
  e.status = *status == "true";
  if (e.kind == "color" && !whole_number(json_field(line, "color"), e.color)) return std::nullopt;
  if (e.kind == "motion" && json_field(line, "color")) return std::nullopt;
  return e;
}

std::optional<ReportedEvent> parse_text_event(const std::string& line) {
  static const std::regex form(
      R"(frame (\d+)  (motion|color ) +layer (\d+) zone (\d+)  (ON |off) +(\d+)%(  color &H([0-9A-F]{6}))?)");
  std::smatch m;
  if (!std::regex_match(line, m, form)) return std::nullopt;
  ReportedEvent e;
  e.frame = std::stoll(m[1]);
  e.kind = m[2] == "color " ? "color" : "motion";
  e.layer = std::stoi(m[3]);
  e.zone = std::stoi(m[4]);
  e.status = m[5] == "ON ";
  e.percentage = std::stoi(m[6]);
  if (m[7].matched) e.color = std::stoll(m[8], nullptr, 16);
  if ((e.kind == "color") != m[7].matched) return std::nullopt;
  return e;
}

std::vector<ReportedEvent> json_events(const std::string& output,
                                       std::vector<std::string>* unknown) {
  std::vector<ReportedEvent> events;
  for (const std::string& line : split_lines(output)) {
    if (auto e = parse_json_event(line)) {
      events.push_back(*e);
    } else if (!json_field(line, "fps") && unknown) {
      unknown->push_back(line);
    }
  }
  return events;
}

std::vector<ReportedEvent> text_events(const std::string& output,
                                       std::vector<std::string>* unknown) {
  static const std::regex fps_line(R"(FPS = \d+)");
  std::vector<ReportedEvent> events;
  for (const std::string& line : split_lines(output)) {
    if (auto e = parse_text_event(line)) {
      events.push_back(*e);
    } else if (!std::regex_match(line, fps_line) && unknown) {
      unknown->push_back(line);
    }
  }
  return events;
}

}  // namespace zentrik::testing
