// The grey table, filled once through the system's rounding rule.
#include "grey_levels.h"

namespace zentrik {

GreyLevels::GreyLevels() : grey_{} {
  for (Long sum = 0; sum <= kMaxSum; ++sum)
    grey_[sum] = static_cast<Byte>(round_half_even(static_cast<double>(sum) / 1000.0));
}

const GreyLevels& GreyLevels::Table() {
  static const GreyLevels table;
  return table;
}

}  // namespace zentrik
