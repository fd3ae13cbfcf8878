// The integer rules of the automation surface that cannot live inline in the header.
#include "zentrik/platform/automation.h"

#include <cmath>

namespace zentrik {

double round_half_even(double value) {
  if (!std::isfinite(value)) return value;
  // Independent of the floating-point rounding mode that some other code might have set.
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1.0;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

}  // namespace zentrik
