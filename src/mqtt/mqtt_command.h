// Commands a house sends to a camera through the broker: the topic's command word and the payload
// read into one change of the control, or the reason the command is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zentrik {

struct MqttCommand {
  enum class Kind { Layer, ColourDepth, Active, Snapshot };
  Kind kind = Kind::Snapshot;
  long value = 0;  // the layer, the colour depth (an e_colordepth value), or 1 / 0 for active
};

// Splits "PREFIX/CAMERA/set/WHAT" into the camera and the command word; false for any other
// topic.
bool split_command_topic(std::string_view topic, std::string_view prefix, std::string& camera,
                         std::string& what);

// Reads the payload of command `what` (case and white space ignored); on refusal returns nothing
// and says why in `why`.
std::optional<MqttCommand> parse_mqtt_command(std::string_view what, std::string_view payload,
                                              std::string& why);

}  // namespace zentrik
