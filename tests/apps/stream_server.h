// A live stream served by ffmpeg on 127.0.0.1 for a few seconds: a plain red picture (exactly
// &H0000FF to the zones, losslessly coded) at 25 frames per second, to the first client that
// connects, over HTTP or plain TCP. When its time is up, the stream drops.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "apps/child_process.h"

namespace zentrik::testing {

class StreamServer {
 public:
  // Serves `url` ("http://127.0.0.1:PORT/live" or "tcp://127.0.0.1:PORT") for `length`.
  StreamServer(const std::string& url, std::chrono::seconds length);
  // True once the server listens on `port` (within a few seconds).
  bool wait_listening(int port);

 private:
  std::unique_ptr<ChildProcess> process_;
};

// A TCP port on 127.0.0.1 that was free a moment ago, or 0.
int free_port();

}  // namespace zentrik::testing
