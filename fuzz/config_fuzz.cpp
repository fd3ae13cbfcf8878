// Fuzz target: any text as the serve configuration file. It is read or refused with a
// ConfigError that names the file; nothing else may come out.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "zentrik/config/ServeConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const zentrik::ServeConfig config = zentrik::parse_serve_config(text, "fuzz.yaml", "/base");
    if (config.cameras.empty()) std::abort();
    for (const zentrik::CameraConfig& camera : config.cameras) {
      if (!zentrik::valid_camera_name(camera.name)) std::abort();
    }
  } catch (const zentrik::ConfigError& e) {
    if (std::string(e.what()).rfind("fuzz.yaml", 0) != 0) std::abort();
  }
  return 0;
}
