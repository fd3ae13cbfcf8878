// The pause before a reconnection attempt: doubling from the first delay up to the ceiling.
#include "zentrik/sources/RetryPolicy.h"

#include <algorithm>

namespace zentrik {

std::chrono::milliseconds RetryPolicy::delay_for(int attempt) const {
  using std::chrono::milliseconds;
  const milliseconds ceiling = std::max(max_delay, milliseconds{0});
  milliseconds delay = std::clamp(first_delay, milliseconds{0}, ceiling);
  for (int i = 1; i < attempt && delay < ceiling; ++i) delay = std::min(delay * 2, ceiling);
  return delay;
}

}  // namespace zentrik
