#include "apps/stream_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

StreamServer::StreamServer(const std::string& url, std::chrono::seconds length) {
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
                  "color=c=red:size=320x240:rate=25,format=bgr0",
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

bool StreamServer::wait_listening(int port) {
  for (int i = 0; i < 100; ++i) {
    if (listening(port)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

int free_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  ::close(fd);
  return port;
}

}  // namespace zentrik::testing
