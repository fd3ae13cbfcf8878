// Reading and writing the steady filter's settings as text (command line, configuration).
#include <charconv>

#include "zentrik/filters/SteadySettings.h"

namespace zentrik {
namespace {

struct Field {
  const char* name;
  int SteadySettings::*member;
  int max;
};
constexpr Field kFields[] = {{"tolerance", &SteadySettings::tolerance, 255},
                             {"neighbours", &SteadySettings::neighbours, 8},
                             {"light", &SteadySettings::light, 255}};

bool read_pair(std::string_view pair, SteadySettings& settings, std::string& error) {
  const std::size_t eq = pair.find('=');
  const std::string_view name = pair.substr(0, eq);
  for (const Field& field : kFields) {
    if (name != field.name) continue;
    const std::string_view value = eq == std::string_view::npos ? "" : pair.substr(eq + 1);
    int number = -1;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (ec != std::errc() || end != value.data() + value.size() || number < 0 ||
        number > field.max) {
      error = "steady setting " + std::string(name) + " needs a whole number from 0 to " +
              std::to_string(field.max) + ", not '" + std::string(value) + "'";
      return false;
    }
    settings.*field.member = number;
    return true;
  }
  error =
      "unknown steady setting '" + std::string(name) + "' (known: tolerance, neighbours, light)";
  return false;
}

}  // namespace

std::optional<SteadySettings> parse_steady_settings(std::string_view text, std::string& error) {
  SteadySettings settings;
  if (text.empty() || text == "on") return settings;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    if (!read_pair(text.substr(0, comma), settings, error)) return std::nullopt;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
    if (text.empty()) {
      error = "steady settings end with a comma";
      return std::nullopt;
    }
  }
  return settings;
}

std::string format_steady_settings(const SteadySettings& settings) {
  std::string text;
  for (const Field& field : kFields) {
    if (!text.empty()) text += ',';
    text += field.name;
    text += '=';
    text += std::to_string(settings.*field.member);
  }
  return text;
}

}  // namespace zentrik
