#include "zentrik/events/WarmUp.h"

namespace zentrik {

void WarmUp::observe(Integer layer, std::int64_t frames) {
  if (first_ == 0 && layer >= 1) first_ = frames + 1;
}

bool WarmUp::classify(Integer layer, Integer zone, bool status, std::int64_t frame) {
  const ZoneKey key{layer, zone};
  if (first_ > 0 && frame == first_) {
    first_states_[key] = status;
    return true;
  }
  if (first_ > 0 && frame == first_ + 1) {
    auto it = first_states_.find(key);
    if (it != first_states_.end() && it->second != status) {
      first_states_.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace zentrik
