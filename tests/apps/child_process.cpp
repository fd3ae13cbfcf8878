#include "apps/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

extern char** environ;

namespace zentrik::testing {
namespace {

std::vector<std::string> child_environment(
    const std::vector<std::pair<std::string, std::string>>& changes) {
  std::map<std::string, std::string> values;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::size_t eq = entry.find('=');
    if (eq != std::string::npos) values[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const auto& [name, value] : changes) values[name] = value;
  std::vector<std::string> entries;
  for (const auto& [name, value] : values) entries.push_back(name + "=" + value);
  return entries;
}

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

ChildProcess::ChildProcess(const ProcessOptions& options)
    : deadline_(std::chrono::steady_clock::now() + options.limit) {
  int out_pipe[2] = {-1, -1};
  int err_pipe[2] = {-1, -1};
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) return;
  if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
    ::close(out_pipe[0]);
    ::close(out_pipe[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
  if (!options.cwd.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());
  }
  std::vector<std::string> args = options.args;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = child_environment(options.env);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  out_fd_ = out_pipe[0];
  err_fd_ = err_pipe[0];
  if (rc != 0) {
    result_.err = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
    close_fd(out_fd_);
    close_fd(err_fd_);
    return;
  }
  pid_ = pid;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  close_fd(out_fd_);
  close_fd(err_fd_);
}

bool ChildProcess::pump() {
  pollfd fds[2];
  int count = 0;
  if (out_fd_ >= 0) fds[count++] = {out_fd_, POLLIN, 0};
  if (err_fd_ >= 0) fds[count++] = {err_fd_, POLLIN, 0};
  if (count == 0) return false;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline_ - std::chrono::steady_clock::now());
  if (left.count() <= 0) {
    result_.timed_out = true;
    return false;
  }
  const int ready = ::poll(fds, static_cast<nfds_t>(count), static_cast<int>(left.count()));
  if (ready < 0 && errno != EINTR) return false;
  for (int i = 0; i < count; ++i) {
    if (fds[i].revents == 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
    const bool is_out = fds[i].fd == out_fd_;
    if (n > 0) {
      (is_out ? result_.out : result_.err).append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      close_fd(is_out ? out_fd_ : err_fd_);
    }
  }
  return true;
}

bool ChildProcess::wait_for_line(const std::function<bool(const std::string&)>& wanted) {
  if (pid_ <= 0) return false;
  for (;;) {
    std::size_t end;
    while ((end = result_.out.find('\n', scanned_)) != std::string::npos) {
      const std::string line = result_.out.substr(scanned_, end - scanned_);
      scanned_ = end + 1;
      if (wanted(line)) return true;
    }
    if (out_fd_ < 0 || !pump()) return false;
  }
}

void ChildProcess::send_signal(int signal) {
  if (pid_ > 0) ::kill(pid_, signal);
}

ProcessResult ChildProcess::finish() {
  if (pid_ <= 0) return result_;
  while (pump()) {
  }
  if (result_.timed_out) ::kill(pid_, SIGKILL);
  close_fd(out_fd_);
  close_fd(err_fd_);
  // The pipes close when the child ends (or the limit cut its output short); a child that
  // closed its pipes and lives on is waited for until the limit, then killed.
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline_ - std::chrono::steady_clock::now());
    pollfd exited{pidfd, POLLIN, 0};
    if (pidfd < 0 || left.count() <= 0 || ::poll(&exited, 1, static_cast<int>(left.count())) <= 0) {
      result_.timed_out = true;
      ::kill(pid_, SIGKILL);
    }
    if (pidfd >= 0) ::close(pidfd);
    ::waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  if (WIFEXITED(status)) result_.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
  return result_;
}

ProcessResult run_process(const ProcessOptions& options) {
  ChildProcess child(options);
  return child.finish();
}

}  // namespace zentrik::testing
