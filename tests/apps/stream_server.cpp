#include "apps/stream_server.h"

#include <signal.h>

#include <cstdio>
#include <fstream>
#include <thread>

namespace zentrik::testing {
namespace {

// True when /proc/net/tcp lists a socket listening on 127.0.0.1:port.
bool listening(int port) {
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
  std::ifstream table("/proc/net/tcp");
  std::string slot, local, remote, state;
  std::string line;
  std::getline(table, line);  // the heading
  while (table >> slot >> local >> remote >> state) {
    if (local == wanted && state == "0A") return true;
    std::getline(table, line);
  }
  return false;
}

}  // namespace

StreamServer::StreamServer(const std::string& url, std::chrono::seconds length,
                           const std::string& colour) {
  const bool http = url.rfind("http:", 0) == 0;
  ProcessOptions options;
  options.args = {"/usr/bin/ffmpeg",
                  "-hide_banner",
                  "-loglevel",
                  "error",
                  "-nostdin",
                  "-re",
                  "-f",
                  "lavfi",
                  "-i",
                  "color=c=" + colour + ":size=320x240:rate=25,format=bgr0",
                  "-t",
                  std::to_string(length.count()),
                  "-c:v",
                  "ffv1",
                  "-pix_fmt",
                  "bgr0",
                  "-f",
                  "nut"};
  if (http) {
    options.args.insert(options.args.end(), {"-listen", "1", url});
  } else {
    options.args.push_back(url + "?listen=1");
  }
  options.limit = length + std::chrono::seconds(60);
  process_ = std::make_unique<ChildProcess>(options);
}

bool StreamServer::wait_listening(int port, std::chrono::seconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    if (listening(port)) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void StreamServer::stop() {
  process_->send_signal(SIGTERM);
  process_->finish();
}

}  // namespace zentrik::testing
