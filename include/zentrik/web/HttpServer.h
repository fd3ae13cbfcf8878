// The browser host's HTTP server: turns each request into an HttpRequest for the router and its
// answer back, and serves the streams (MJPEG pictures, Server-Sent Events) on worker threads.
// Streams are limited in number; each one holds only the newest picture or a bounded queue of
// events, and a client that stops reading is dropped after the write time-out.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "zentrik/web/ApiRouter.h"
#include "zentrik/web/CameraHost.h"

namespace zentrik {

struct HttpServerOptions {
  std::string host = "127.0.0.1";
  int port = 8080;  // 0: any free port
  int max_streams = 128;
  int write_timeout_seconds = 5;
};

class HttpServer {
 public:
  HttpServer(CameraHost& cameras, ApiRouter& router, HttpServerOptions options);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds and starts serving on a thread of its own; throws std::runtime_error when the
  // address cannot be used.
  void start();
  // Ends every stream and request and joins the threads.
  void stop();
  int port() const { return port_; }
  int open_streams() const { return streams_.load(); }
  long long streams_started() const { return started_.load(); }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  CameraHost& cameras_;
  ApiRouter& router_;
  HttpServerOptions options_;
  int port_ = 0;
  std::atomic<int> streams_{0};
  std::atomic<long long> started_{0};
  std::thread thread_;
};

}  // namespace zentrik
