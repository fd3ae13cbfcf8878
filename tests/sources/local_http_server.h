// python3's http.server on 127.0.0.1 with a port of the system's choosing, serving one folder
// for the length of a test, stopped (and waited for) when it goes away.
#pragma once

#include <filesystem>
#include <string>

#include <sys/types.h>

namespace zentrik::testing {

class LocalHttpServer {
 public:
  explicit LocalHttpServer(const std::filesystem::path& folder);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  bool running() const { return port_ > 0; }
  std::string url(const std::string& name) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
  }
  const std::string& failure() const { return failure_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string failure_;
};

}  // namespace zentrik::testing
