// Fuzz target: any text as a broker URL (`--mqtt`), a zone name (`--zone-name`) and a hold list
// (`--hold`). Each is read or refused with a message; what is read is always usable.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "zentrik/events/ZoneHold.h"
#include "zentrik/events/ZoneNames.h"
#include "zentrik/mqtt/MqttSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  zentrik::MqttSettings settings;
  if (zentrik::parse_mqtt_url(text, settings, &error)) {
    if (settings.port < 1 || settings.port > 65535) std::abort();
    if (!zentrik::is_topic_prefix(settings.topic_prefix)) std::abort();
    if (!settings.client_id.empty() && !zentrik::is_topic_word(settings.client_id)) std::abort();
  } else if (error.empty()) {
    std::abort();
  }
  zentrik::ZoneNames names;
  if (names.parse(text, &error)) {
    for (const auto& [key, name] : names.all())
      if (!zentrik::is_topic_word(name)) std::abort();
  }
  zentrik::ZoneHold hold;
  error.clear();
  if (hold.parse(text, &error)) {
    for (int layer = 1; layer <= 64; ++layer)
      if (hold.hold(layer, 1) < 0 || hold.hold(layer, 1) > 86400000) std::abort();
  } else if (error.empty() || hold.hold(1, 1) != 0) {
    std::abort();
  }
  return 0;
}
