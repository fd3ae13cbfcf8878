// Fuzz target: a command as the broker delivers it, the topic on the first line and the payload
// after it. A topic is taken apart or ignored; a payload is read into a change the control
// accepts, or refused with a reason.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mqtt/mqtt_command.h"
#include "zentrik/control/orvex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto newline = input.find('\n');
  const std::string_view topic = input.substr(0, newline);
  const std::string_view payload =
      newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
  std::string camera, what = "layer";
  if (zentrik::split_command_topic(topic, "zentrik", camera, what)) {
    if (!topic.starts_with("zentrik/" + camera + "/set/") || !topic.ends_with(what)) std::abort();
  }
  using Kind = zentrik::MqttCommand::Kind;
  std::string why;
  const auto command = zentrik::parse_mqtt_command(what, payload, why);
  if (!command) {
    if (why.empty()) std::abort();
  } else if (command->kind == Kind::Layer) {
    if (command->value < 1 || command->value > zentrik::orvex::kUpperLayer) std::abort();
  } else if (command->kind == Kind::ColourDepth) {
    if (command->value != 16 && command->value != 256 && command->value != 65535) std::abort();
  } else if (command->kind == Kind::Active) {
    if (command->value != 0 && command->value != 1) std::abort();
  }
  return 0;
}
