// A browser host for the API tests: virtual cameras on a message loop of its own thread, the
// router and the HTTP server on a free loopback port, and an HTTP client to it.
#pragma once

#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "zentrik/web/ApiRouter.h"
#include "zentrik/web/CameraHost.h"
#include "zentrik/web/HttpServer.h"

namespace zentrik::testing {

struct ServedOptions {
  std::filesystem::path folder;  // state folder and scripts live here
  std::vector<std::string> cameras = {"cam1", "cam2"};
  std::vector<std::string> sources;  // per camera; missing or "": the virtual camera
  std::string script;                // the cameras' script text ("" for none)
  ZoneNames zone_names;              // every camera's
  std::string token;
  int max_streams = 128;
  int write_timeout_seconds = 5;
};

class ServedCameras {
 public:
  explicit ServedCameras(ServedOptions options);
  ~ServedCameras();  // stops the server, the cameras and the loop

  int port() const { return server_->port(); }
  httplib::Client client() const;
  CameraHost& host() { return *host_; }
  HttpServer& server() { return *server_; }

 private:
  std::unique_ptr<CameraHost> host_;
  std::unique_ptr<ApiRouter> router_;
  std::unique_ptr<HttpServer> server_;
  std::thread loop_;
};

// A fresh empty folder under the system's temporary folder.
std::filesystem::path fresh_folder(const std::string& name);
// Polls `ready` every 10 ms until it holds or `limit` passes; the last answer.
bool eventually(const std::function<bool()>& ready,
                std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace zentrik::testing
