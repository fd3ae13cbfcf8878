// Short ways for tests to write the options of a MediaSourceDriver.
#pragma once

#include <string>
#include <utility>

#include "zentrik/sources/MediaSourceDriver.h"

namespace zentrik::testing {

inline MediaSourceOptions source(std::string location, DecoderFactory factory = {}) {
  MediaSourceOptions options;
  options.location = std::move(location);
  options.decoder_factory = std::move(factory);
  return options;
}

}  // namespace zentrik::testing
