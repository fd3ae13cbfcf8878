// Says on standard error what a real source goes through while it is watched: a drop and each
// reconnection attempt, and the reconnection that succeeded. The lines come from the reader
// thread and are printed on the loop's thread.
#pragma once

#include <optional>

#include "zentrik/sources/MediaSourceDriver.h"

namespace zentrik::cli {

// Options for the real sources with the status lines hooked in and `retries` attempts after a
// drop (nullopt: the default).
MediaSourceOptions monitored_source_options(std::optional<int> retries);

}  // namespace zentrik::cli
