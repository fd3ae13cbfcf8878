#include "apps/reported_event.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "apps/text_checks.h"

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

bool is_warm_up(const std::vector<ReportedEvent>& events, std::size_t i) {
  const ReportedEvent& e = events[i];
  if (e.frame == 1) return true;
  if (e.frame != 2) return false;
  for (std::size_t j = 0; j < i; ++j) {
    const ReportedEvent& f = events[j];
    if (f.frame == 1 && f.layer == e.layer && f.zone == e.zone) return f.status != e.status;
  }
  return false;
}

std::optional<ReportedEvent> parse_text_event(const std::string& line) {
  // TIME  frame N  KIND  layer L zone Z  ON|off P%  [color &HBBGGRR]  [name NAME]  [warm-up]
  std::vector<std::string> w = words(line);
  if (w.empty() || !is_utc_time(w[0])) return std::nullopt;
  w.erase(w.begin());
  if (!w.empty() && w.back() == "warm-up") w.pop_back();
  if (w.size() >= 2 && w[w.size() - 2] == "name") w.resize(w.size() - 2);
  if (w.size() != 9 && w.size() != 11) return std::nullopt;
  if (w[0] != "frame" || !all_digits(w[1]) || (w[2] != "motion" && w[2] != "color") ||
      w[3] != "layer" || !all_digits(w[4]) || w[5] != "zone" || !all_digits(w[6]) ||
      (w[7] != "ON" && w[7] != "off") || w[8].size() < 2 || w[8].back() != '%' ||
      !all_digits(w[8].substr(0, w[8].size() - 1))) {
    return std::nullopt;
  }
  ReportedEvent e;
  e.frame = std::stoll(w[1]);
  e.kind = w[2];
  e.layer = std::stoi(w[4]);
  e.zone = std::stoi(w[6]);
  e.status = w[7] == "ON";
  e.percentage = std::stoi(w[8]);
  if (w.size() == 11) {
    const std::string& hex = w[10];
    if (w[9] != "color" || hex.size() != 8 || hex.compare(0, 2, "&H") != 0 ||
        hex.find_first_not_of("0123456789ABCDEF", 2) != std::string::npos) {
      return std::nullopt;
    }
    e.color = std::stoll(hex.substr(2), nullptr, 16);
  }
  if ((e.kind == "color") != (w.size() == 11)) return std::nullopt;
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
  std::vector<ReportedEvent> events;
  for (const std::string& line : split_lines(output)) {
    if (auto e = parse_text_event(line)) {
      events.push_back(*e);
    } else if (!is_fps_line(line) && unknown) {
      unknown->push_back(line);
    }
  }
  return events;
}

}  // namespace zentrik::testing
