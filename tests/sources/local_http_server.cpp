// Starts python3 -m http.server, reads the port from its first line (waiting at most 10 s).
#include "local_http_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

extern char** environ;

namespace zentrik::testing {

LocalHttpServer::LocalHttpServer(const std::filesystem::path& folder) {
  int out[2];
  if (::pipe(out) != 0) {
    failure_ = "pipe failed";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<std::string> args = {"python3", "-u",        "-m",          "http.server",  "0",
                                   "--bind",  "127.0.0.1", "--directory", folder.string()};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int spawned = ::posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    pid_ = -1;
    ::close(out[0]);
    failure_ = "python3 cannot be started";
    return;
  }
  // "Serving HTTP on 127.0.0.1 port 40123 (http://127.0.0.1:40123/) ..."
  std::string line;
  pollfd waiting{out[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && ::poll(&waiting, 1, 10000) > 0) {
    char buffer[128];
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    line.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(out[0]);
  const auto at = line.find(" port ");
  if (at == std::string::npos || std::sscanf(line.c_str() + at, " port %d", &port_) != 1) {
    port_ = 0;
    failure_ = "http.server did not report its port: " + line;
  }
}

LocalHttpServer::~LocalHttpServer() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

}  // namespace zentrik::testing
