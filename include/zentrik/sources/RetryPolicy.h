// How a live source that dropped is reconnected: a pause that doubles from attempt to attempt up
// to a ceiling, and a bound on the attempts in a row before the source counts as lost.
#pragma once

#include <chrono>

namespace zentrik {

struct RetryPolicy {
  // Attempts in a row after a drop; 0 never reconnects, a negative count never gives up.
  int max_attempts = 8;
  std::chrono::milliseconds first_delay{500};
  std::chrono::milliseconds max_delay{10000};

  // The pause before attempt `attempt` (1 for the first reconnection): first_delay doubled
  // attempt - 1 times, never above max_delay.
  std::chrono::milliseconds delay_for(int attempt) const;
  // True while attempt `attempt` is still allowed.
  bool allows(int attempt) const { return max_attempts < 0 || attempt <= max_attempts; }
};

}  // namespace zentrik
