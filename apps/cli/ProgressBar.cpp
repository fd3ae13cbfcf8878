#include "cli/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace zentrik::cli {

namespace {
constexpr int kBarWidth = 30;
}

bool stderr_is_terminal() {
  return isatty(STDERR_FILENO) == 1;
}

ProgressBar::ProgressBar(std::string label, bool enabled)
    : label_(std::move(label)), enabled_(enabled) {}

void ProgressBar::InitProgress(Long lMax) {
  max_ = lMax;
  shown_ = -1;
  draw(0);
}

void ProgressBar::Progress(Long lPosition) {
  if (max_ <= 0) return;
  draw(static_cast<int>(std::clamp<long long>(100LL * lPosition / max_, 0, 100)));
}

void ProgressBar::Complete(Long lTimeMs) {
  if (!enabled_) return;
  draw(100);
  std::fprintf(stderr, " %d ms\n", static_cast<int>(lTimeMs));
}

void ProgressBar::draw(int percent) {
  if (!enabled_ || percent == shown_) return;
  shown_ = percent;
  const int filled = percent * kBarWidth / 100;
  std::fprintf(stderr, "\r%-12s [%.*s%*s] %3d%%", label_.c_str(), filled,
               "##############################", kBarWidth - filled, "", percent);
  std::fflush(stderr);
}

}  // namespace zentrik::cli
