// A program started for the length of a test, its output thrown away; killed and waited for
// when the test is done with it, or earlier on request.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace zentrik::testing {

class BackgroundProgram {
 public:
  explicit BackgroundProgram(std::vector<std::string> arguments);
  ~BackgroundProgram() { kill(); }
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool running() const { return pid_ > 0; }
  // Ends the program at once (SIGKILL), as a crash or a pulled cable would, and reaps it.
  void kill();

 private:
  pid_t pid_ = -1;
};

}  // namespace zentrik::testing
