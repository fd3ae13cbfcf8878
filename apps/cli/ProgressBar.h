// A progress bar on the terminal, fed by the imaging classes' progress events. It draws only
// when standard error is a terminal, so scripts and tests see clean output.
#pragma once

#include <string>

#include "zentrik/colour/ProgressEvents.h"

namespace zentrik::cli {

class ProgressBar : public ProgressEvents {
 public:
  explicit ProgressBar(std::string label, bool enabled);
  void InitProgress(Long lMax) override;
  void Progress(Long lPosition) override;
  void Complete(Long lTimeMs) override;

 private:
  void draw(int percent);
  std::string label_;
  bool enabled_;
  Long max_ = 0;
  int shown_ = -1;
};

// True when standard error is a terminal.
bool stderr_is_terminal();

}  // namespace zentrik::cli
