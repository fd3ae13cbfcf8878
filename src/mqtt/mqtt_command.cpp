// Command words and payloads: layers by number, colour depths by number or name, active as
// ON/OFF (or true/false, 1/0), snapshot with any payload.
#include "mqtt_command.h"

#include <cctype>
#include <charconv>

#include "zentrik/control/orvex.h"

namespace zentrik {
namespace {

std::string lower_trimmed(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (!std::isspace(static_cast<unsigned char>(c))) {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

bool whole_number(const std::string& text, long& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool split_command_topic(std::string_view topic, std::string_view prefix, std::string& camera,
                         std::string& what) {
  if (topic.size() <= prefix.size() || !topic.starts_with(prefix) || topic[prefix.size()] != '/')
    return false;
  const std::string_view rest = topic.substr(prefix.size() + 1);
  const auto slash = rest.find("/set/");
  if (slash == std::string_view::npos) return false;
  camera = rest.substr(0, slash);
  what = rest.substr(slash + 5);
  return true;
}

std::optional<MqttCommand> parse_mqtt_command(std::string_view what, std::string_view payload,
                                              std::string& why) {
  const std::string word = lower_trimmed(payload);
  MqttCommand command;
  if (what == "layer") {
    command.kind = MqttCommand::Kind::Layer;
    if (whole_number(word, command.value) && command.value >= 1 &&
        command.value <= orvex::kUpperLayer)
      return command;
    why = "layer must be a whole number from 1 to " + std::to_string(orvex::kUpperLayer);
  } else if (what == "colordepth") {
    command.kind = MqttCommand::Kind::ColourDepth;
    for (const auto& [name, depth] : kColorDepthNames) {
      const long value = static_cast<long>(depth);
      if (word == name || word == std::to_string(value)) {
        command.value = value;
        return command;
      }
    }
    why = "colordepth must be 16, 256, 65535, low, medium or high";
  } else if (what == "active") {
    command.kind = MqttCommand::Kind::Active;
    const bool on = word == "on" || word == "true" || word == "1";
    if (on || word == "off" || word == "false" || word == "0") {
      command.value = on ? 1 : 0;
      return command;
    }
    why = "active must be ON or OFF";
  } else if (what == "snapshot") {
    return command;
  } else {
    why = "unknown command; the commands are layer, colordepth, active and snapshot";
  }
  return std::nullopt;
}

}  // namespace zentrik
