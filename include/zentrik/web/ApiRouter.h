// The browser host's request router: checks the token, the origin and every input, and answers
// each API request from the cameras. A plain function of the request, so tests and the fuzz
// target drive it without sockets. Streams (MJPEG, events) are answered with a StreamKind that
// the HTTP server then serves.
#pragma once

#include <cstddef>
#include <string>

#include "zentrik/web/CameraHost.h"
#include "zentrik/web/HttpMessage.h"

namespace zentrik {

struct RouterOptions {
  std::string token;  // empty: no token asked for (loopback only)
  std::size_t max_body = 64 * 1024;
};

class ApiRouter {
 public:
  ApiRouter(CameraHost& host, RouterOptions options);
  HttpResponse handle(const HttpRequest& request);

 private:
  HttpResponse route(const HttpRequest& request);
  HttpResponse camera_route(const HttpRequest& request, std::size_t camera,
                            const std::string& rest);
  bool authorised(const HttpRequest& request) const;
  bool same_origin(const HttpRequest& request) const;

  CameraHost& host_;
  RouterOptions options_;
};

}  // namespace zentrik
