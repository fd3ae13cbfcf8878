#include "watch/EventCommand.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>

extern char** environ;

namespace zentrik::cli {

EventCommand::~EventCommand() {
  wait();
}

void EventCommand::wait() {
  for (int pid : running_) {
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
      ++failures_;
    }
  }
  running_.clear();
}

void EventCommand::finish() {
  wait();
  if (failures_ > 0) {
    std::fprintf(stderr, "zentrik watch: the event command failed %d times (exit status not 0)\n",
                 failures_);
  }
}

bool EventCommand::start(const WatchEvent& event) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "ZENTRIK_", 8) != 0) env.emplace_back(*e);
  }
  env.push_back("ZENTRIK_EVENT=" + event.kind);
  env.push_back("ZENTRIK_LAYER=" + std::to_string(event.layer));
  env.push_back("ZENTRIK_ZONE=" + std::to_string(event.zone));
  env.push_back(std::string("ZENTRIK_STATUS=") + (event.status ? "true" : "false"));
  env.push_back("ZENTRIK_PERCENTAGE=" + std::to_string(event.percentage));
  if (event.kind == "color") env.push_back("ZENTRIK_COLOR=" + std::to_string(event.color));
  env.push_back("ZENTRIK_FRAME=" + std::to_string(event.frame));
  env.push_back("ZENTRIK_TIME=" + format_utc(event.unix_ms));
  if (!event.snapshot.empty()) env.push_back("ZENTRIK_SNAPSHOT=" + event.snapshot);
  std::vector<char*> envp;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);

  std::string shell = "/bin/sh", flag = "-c";
  char* argv[] = {shell.data(), flag.data(), command_.data(), nullptr};
  int pid = 0;
  int rc = posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, envp.data());
  if (rc != 0) {
    std::fprintf(stderr, "zentrik watch: cannot run the event command: %s\n", std::strerror(rc));
    return false;
  }
  running_.push_back(pid);
  return true;
}

std::size_t EventCommand::reap() {
  for (auto it = running_.begin(); it != running_.end();) {
    int status = 0;
    if (waitpid(*it, &status, WNOHANG) == *it) {
      if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) ++failures_;
      it = running_.erase(it);
    } else {
      ++it;
    }
  }
  return running_.size();
}

}  // namespace zentrik::cli
