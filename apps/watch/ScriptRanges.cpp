#include "watch/ScriptRanges.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "zentrik/control/ZoneTable.h"
#include "zentrik/control/orvex.h"

namespace zentrik::cli {
namespace {

struct Range {
  Long min;
  Long max;
};

constexpr Range kInteger{-32768, 32767};  // the control's Integer parameters
constexpr Range kLayers{1, kZoneLayers};
constexpr Range kZones{1, kZonesPerLayer};
constexpr Range kPercent{0, 100};
constexpr Range kColour{0, 0xFFFFFF};  // &H00BBGGRR

bool same_name(const std::string& a, const char* b) {
  return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                    [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

// The ranges of the arguments of `statement`, in order; empty for members without numbers.
std::vector<std::pair<const char*, Range>> ranges_of(const ScriptStatement& statement) {
  const std::string& m = statement.member;
  if (statement.kind == ScriptStatement::Kind::PropertyWrite)
    return same_name(m, "layer")
               ? std::vector<std::pair<const char*, Range>>{{"layer", Range{1, orvex::kUpperLayer}}}
               : std::vector<std::pair<const char*, Range>>{};
  if (same_name(m, "Clear")) return {{"layer", kLayers}};
  if (same_name(m, "add_motion_detection"))
    return {{"layer", kLayers},  {"zone", kZones},     {"left", kInteger},      {"top", kInteger},
            {"width", kInteger}, {"height", kInteger}, {"percentage", kPercent}};
  if (same_name(m, "add_color_detection"))
    return {{"layer", kLayers}, {"zone", kZones},        {"left", kInteger},
            {"top", kInteger},  {"width", kInteger},     {"height", kInteger},
            {"color", kColour}, {"percentage", kPercent}};
  return {};
}

std::string colour_text(Long value) {
  char text[16];
  std::snprintf(text, sizeof text, "&H%X", static_cast<unsigned>(value));
  return text;
}

std::optional<std::string> fault(const char* name, Range range, const ScriptValue& value) {
  const bool colour = range.max == kColour.max;
  const auto shown = [&](Long n) { return colour ? colour_text(n) : std::to_string(n); };
  const std::string wanted = std::string(name) + " must be a whole number from " +
                             shown(range.min) + " to " + shown(range.max);
  if (value.kind != ScriptValue::Kind::Number) return wanted;
  if (value.number >= range.min && value.number <= range.max) return std::nullopt;
  return wanted + ", not " + (colour ? colour_text(value.number) : std::to_string(value.number));
}

}  // namespace

std::vector<std::string> check_script_ranges(const ControlScript& script) {
  std::vector<std::string> messages;
  for (const ScriptStatement& statement : script.statements()) {
    const auto ranges = ranges_of(statement);
    for (std::size_t i = 0; i < ranges.size() && i < statement.arguments.size(); ++i) {
      const ScriptValue& value = statement.arguments[i];
      if (auto message = fault(ranges[i].first, ranges[i].second, value)) {
        messages.push_back(script.file_name() + ":" + std::to_string(value.line) + ":" +
                           std::to_string(value.column) + ": " + *message);
      }
    }
  }
  return messages;
}

}  // namespace zentrik::cli
