// Ctrl-C (SIGINT) and SIGTERM during a watch: while they are installed, either signal asks the
// run to stop, and the run ends cleanly at its next check.
#pragma once

namespace zentrik::cli {

class StopSignals {
 public:
  StopSignals();   // installs the handlers
  ~StopSignals();  // puts the previous ones back
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  static bool requested();
};

}  // namespace zentrik::cli
