// Requests and answers of the browser host as plain values, so the API can be driven without
// sockets (tests, the fuzz target) and the HTTP library stays in one file.
#pragma once

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zentrik {

struct HttpRequest {
  std::string method;                          // GET, POST, PUT, DELETE, ...
  std::string path;                            // decoded, without the query
  std::map<std::string, std::string> query;    // decoded parameters
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;

  std::string header(const std::string& lower_name) const {
    auto it = headers.find(lower_name);
    return it == headers.end() ? std::string() : it->second;
  }
};

// Answers that stay open and send as things happen.
enum class StreamKind {
  None,
  Mjpeg,   // multipart/x-mixed-replace JPEG pictures of one camera
  Events,  // Server-Sent Events of every camera
};

struct HttpResponse {
  int status = 200;
  std::string content_type = "application/json";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  StreamKind stream = StreamKind::None;
  std::size_t camera = 0;  // the camera of an Mjpeg stream
};

// A request the API refuses: an HTTP status (4xx, or 503 when the cameras cannot answer in
// time) and a message for the person who sent it.
class ApiError : public std::runtime_error {
 public:
  ApiError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

}  // namespace zentrik
