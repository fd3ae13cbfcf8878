#include "zentrik/events/WarmUp.h"

namespace zentrik {

void WarmUp::observe(Integer layer, std::int64_t frames) {
  if (first_ == 0 && layer >= 1) first_ = frames + 1;
}

bool WarmUp::classify(ZoneEvent& e) {
  const ZoneKey key{e.layer, e.zone};
  if (first_ > 0 && e.frame == first_) {
    first_states_[key] = e.status;
    e.warmup = true;
  } else if (first_ > 0 && e.frame == first_ + 1) {
    auto it = first_states_.find(key);
    if (it != first_states_.end() && it->second != e.status) {
      first_states_.erase(it);
      e.warmup = true;
    }
  }
  return e.warmup;
}

}  // namespace zentrik
