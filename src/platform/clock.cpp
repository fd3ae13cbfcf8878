// The platform's millisecond counter over the steady clock.
#include "zentrik/platform/clock.h"

#include <chrono>
#include <cstdint>

namespace zentrik {

Long timeGetTime() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
  return static_cast<Long>(static_cast<std::uint32_t>(ms));
}

}  // namespace zentrik
