#include "watch/DamageWatch.h"

#include <cstdio>

namespace zentrik::cli {

void DamageWatch::check(const ezVidCap& video) {
  const std::int64_t delivered = video.frames_delivered() - window_delivered_;
  const std::int64_t damaged = video.frames_damaged() - window_damaged_;
  if (delivered + damaged < kWindow) return;
  const bool high = damaged * 100 >= kHighPercent * (delivered + damaged);
  if (high && !high_) {
    std::fprintf(stderr,
                 "zentrik watch: %s: %lld of the last %lld frames were damaged and skipped\n",
                 source_.c_str(), static_cast<long long>(damaged),
                 static_cast<long long>(delivered + damaged));
  }
  high_ = high;
  window_delivered_ += delivered;
  window_damaged_ += damaged;
}

std::string DamageWatch::summary(const ezVidCap& video) const {
  const std::int64_t damaged = video.frames_damaged();
  if (damaged == 0) return {};
  return ", " + std::to_string(damaged) + (damaged == 1 ? " damaged frame" : " damaged frames") +
         " skipped";
}

}  // namespace zentrik::cli
