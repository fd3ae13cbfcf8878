// Ctrl-C (SIGINT) and SIGTERM during a watch: while they are installed, either signal asks the
// run to stop, and the run ends cleanly at its next check. Before capture starts (a stream may
// take seconds to open) there is nothing to finish: the signal ends the program at once, with
// exit status 0.
#pragma once

namespace zentrik::cli {

class StopSignals {
 public:
  StopSignals();   // installs the handlers
  ~StopSignals();  // puts the previous ones back
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Once capture runs, a signal is a request that the run looks at.
  void capture_started();
  static bool requested();
};

}  // namespace zentrik::cli
