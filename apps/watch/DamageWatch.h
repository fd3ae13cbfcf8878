// Keeps an eye on the frames a source delivers damaged (skipped, never shown to the zones): says
// so while running when many of them are, and gives the count for the end-of-run line.
#pragma once

#include <cstdint>
#include <string>

#include "zentrik/capture/ezVidCap.h"

namespace zentrik::cli {

class DamageWatch {
 public:
  // Frames looked at together, and the share of damaged ones among them said to be high.
  static constexpr std::int64_t kWindow = 100;
  static constexpr std::int64_t kHighPercent = 10;

  explicit DamageWatch(std::string source) : source_(std::move(source)) {}
  // Between frames: one line each time the share of damaged frames becomes high.
  void check(const ezVidCap& video);
  // ", N damaged frames skipped" for the end-of-run line; empty when there were none.
  std::string summary(const ezVidCap& video) const;

 private:
  std::string source_;
  std::int64_t window_delivered_ = 0;  // counts at the start of the current window
  std::int64_t window_damaged_ = 0;
  bool high_ = false;
};

}  // namespace zentrik::cli
