// Runs the zentrik program (or any program) as a child process with pipes on its standard
// output and error, within a time limit, and reports what it printed and how it ended.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zentrik::testing {

struct ProcessOptions {
  std::vector<std::string> args;                         // args[0] is the program's path
  std::filesystem::path cwd;                             // empty: the test's own working folder
  std::vector<std::pair<std::string, std::string>> env;  // set (or replaced) in the child
  std::chrono::milliseconds limit{60000};                // then the child is killed
};

struct ProcessResult {
  int exit_code = -1;  // -1 when the child did not exit normally
  int signal = 0;      // the signal that ended it, if any
  bool timed_out = false;
  std::string out;
  std::string err;
};

class ChildProcess {
 public:
  explicit ChildProcess(const ProcessOptions& options);
  ~ChildProcess();  // kills a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  // Reads both pipes until a complete line of standard output satisfies `wanted` (true), the
  // output ends or the time limit passes (false).
  bool wait_for_line(const std::function<bool(const std::string&)>& wanted);
  void send_signal(int signal);
  // Reads everything up to the child's end (killing it at the time limit) and reaps it.
  ProcessResult finish();

 private:
  // One poll round over the open pipes; false once both are closed or the time is up.
  bool pump();

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  std::size_t scanned_ = 0;  // bytes of out_ already searched for lines
  std::chrono::steady_clock::time_point deadline_;
  ProcessResult result_;
};

// Starts the child and finishes it.
ProcessResult run_process(const ProcessOptions& options);

}  // namespace zentrik::testing
