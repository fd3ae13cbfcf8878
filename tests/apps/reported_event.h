// The events `zentrik watch` prints, read back from its output: JSON lines or readable lines.
// Lines that are no events (the frames-per-second figure) are left out.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zentrik::testing {

struct ReportedEvent {
  std::int64_t frame = 0;
  std::string kind;  // "motion" or "color"
  int layer = 0;
  int zone = 0;
  bool status = false;
  int percentage = 0;
  std::int64_t color = -1;  // color events only

  friend bool operator==(const ReportedEvent&, const ReportedEvent&) = default;
};

void PrintTo(const ReportedEvent& event, std::ostream* os);

// One value of a flat JSON object line ("key":value); nothing when the key is missing. String
// values come without their quotes.
std::optional<std::string> json_field(const std::string& line, const std::string& key);

// The event of one line, or nothing for a line that is no complete event.
std::optional<ReportedEvent> parse_json_event(const std::string& line);
std::optional<ReportedEvent> parse_text_event(const std::string& line);

// True when events[i] is warm-up: a transition of frame 1 (the first evaluated frame of a run
// whose script sets the layer) or its reversal on frame 2. Such events take no snapshot.
bool is_warm_up(const std::vector<ReportedEvent>& events, std::size_t i);

// Every event of a whole output, in order; a line that is neither an event nor a
// frames-per-second line is added to `unknown`.
std::vector<ReportedEvent> json_events(const std::string& output,
                                       std::vector<std::string>* unknown = nullptr);
std::vector<ReportedEvent> text_events(const std::string& output,
                                       std::vector<std::string>* unknown = nullptr);

std::vector<std::string> split_lines(const std::string& text);

}  // namespace zentrik::testing
