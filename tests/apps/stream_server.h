// A live stream served by ffmpeg on 127.0.0.1: a plain picture of one colour (exact to the zones,
// losslessly coded) at 25 frames per second, to the first client that connects, over HTTP or
// plain TCP. It drops when its length is up or when the test stops it.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "apps/child_process.h"
#include "support/free_port.h"

namespace zentrik::testing {

class StreamServer {
 public:
  // Serves `url` ("http://127.0.0.1:PORT/live" or "tcp://127.0.0.1:PORT") for `length`, in
  // `colour` (an ffmpeg colour: "red" is &H0000FF to the zones, "lime" &H00FF00).
  StreamServer(const std::string& url, std::chrono::seconds length,
               const std::string& colour = "red");
  // True once the server listens on `port`; false after `bound` (generous: a loaded machine may
  // take seconds to start ffmpeg, a quiet one returns at once).
  bool wait_listening(int port, std::chrono::seconds bound = std::chrono::seconds(30));
  // Drops the stream now: ffmpeg ends it as at the end of its length, and is waited for.
  void stop();

 private:
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace zentrik::testing
