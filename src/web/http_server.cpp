// The HTTP server over cpp-httplib; the only file that sees the library.
#include "zentrik/web/HttpServer.h"

#include <httplib.h>
#include <sys/socket.h>

#include <cctype>
#include <chrono>
#include <stdexcept>

#include "event_hub.h"
#include "live_feed.h"

namespace zentrik {
namespace {

constexpr auto kStreamWait = std::chrono::milliseconds(500);
constexpr int kKeepAliveEvery = 30;  // waits without an event before a comment line (15 s)
constexpr int kRequestThreads = 16;  // beside one thread per stream
constexpr int kSendBuffer = 128 * 1024;

HttpRequest to_request(const httplib::Request& in) {
  HttpRequest out;
  out.method = in.method;
  out.path = in.path;
  for (const auto& [name, value] : in.params) out.query.emplace(name, value);
  for (const auto& [name, value] : in.headers) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    out.headers.emplace(std::move(lower), value);
  }
  out.body = in.body;
  return out;
}

// Counts a stream while it is open.
class StreamSlot {
 public:
  explicit StreamSlot(std::atomic<int>& count) : count_(count) { ++count_; }
  ~StreamSlot() { --count_; }
  StreamSlot(const StreamSlot&) = delete;
  StreamSlot& operator=(const StreamSlot&) = delete;

 private:
  std::atomic<int>& count_;
};

}  // namespace

struct HttpServer::Impl {
  httplib::Server server;
};

HttpServer::HttpServer(CameraHost& cameras, ApiRouter& router, HttpServerOptions options)
    : impl_(std::make_unique<Impl>()),
      cameras_(cameras),
      router_(router),
      options_(std::move(options)) {}

HttpServer::~HttpServer() {
  stop();
}

void HttpServer::start() {
  httplib::Server& server = impl_->server;
  const int threads = options_.max_streams + kRequestThreads;
  server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server.set_write_timeout(options_.write_timeout_seconds, 0);
  server.set_read_timeout(options_.write_timeout_seconds, 0);
  server.set_payload_max_length(1024 * 1024);
  // A modest send buffer per connection (inherited from the listening socket): a viewer that
  // stops reading holds little in the kernel and is found out within the write time-out.
  server.set_socket_options([](int sock) {
    httplib::default_socket_options(sock);
    int bytes = kSendBuffer;
    ::setsockopt(sock, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
  });

  auto handler = [this](const httplib::Request& in, httplib::Response& out) {
    HttpResponse answer = router_.handle(to_request(in));
    for (const auto& [name, value] : answer.headers) out.set_header(name, value);
    if (answer.stream != StreamKind::None && streams_.load() >= options_.max_streams) {
      answer.status = 503;
      answer.stream = StreamKind::None;
      answer.content_type = "application/json";
      answer.body = "{\"error\":\"too many open streams; close one and try again\"}";
    }
    out.status = answer.status;
    if (answer.stream == StreamKind::Mjpeg) {
      auto slot = std::make_shared<StreamSlot>(streams_);
      ++started_;
      auto viewer = std::make_shared<LiveFeed::Viewer>(cameras_.feed(answer.camera));
      LiveFeed* feed = &cameras_.feed(answer.camera);
      auto seen = std::make_shared<std::uint64_t>(0);
      const std::size_t camera = answer.camera;
      out.set_chunked_content_provider(
          answer.content_type,
          [this, feed, seen, slot, viewer, camera](std::size_t offset, httplib::DataSink& sink) {
            JpegBytes picture;
            std::int64_t unix_ms = 0;
            if (offset == 0) {
              // The picture of now first, so a camera that is stopped still shows one.
              try {
                picture = cameras_.live_jpeg(camera);
              } catch (const ApiError&) {
              }
            }
            if (!picture) picture = feed->next(*seen, kStreamWait, &unix_ms);
            if (cameras_.closing() || feed->closed()) return false;
            if (!picture) return true;
            // X-Timestamp: when the frame came from the camera (Unix ms), so a viewer can
            // tell how late it shows it.
            std::string head = "--zentrikframe\r\nContent-Type: image/jpeg\r\nContent-Length: " +
                               std::to_string(picture->size()) + "\r\n";
            if (unix_ms > 0) head += "X-Timestamp: " + std::to_string(unix_ms) + "\r\n";
            head += "\r\n";
            return sink.write(head.data(), head.size()) &&
                   sink.write(reinterpret_cast<const char*>(picture->data()), picture->size()) &&
                   sink.write("\r\n", 2);
          });
    } else if (answer.stream == StreamKind::Events) {
      auto slot = std::make_shared<StreamSlot>(streams_);
      ++started_;
      auto listener = cameras_.events().listen();
      auto idle = std::make_shared<int>(0);
      out.set_chunked_content_provider(
          answer.content_type, [listener, slot, idle](std::size_t offset, httplib::DataSink& sink) {
            if (offset == 0) {
              const std::string hello = "retry: 2000\n\n";
              if (!sink.write(hello.data(), hello.size())) return false;
            }
            std::optional<HostEvent> event = listener->next(kStreamWait);
            if (listener->closed()) return false;
            std::string text;
            if (event) {
              *idle = 0;
              text = "event: " + event->type + "\ndata: " + event->data + "\n\n";
            } else if (++*idle >= kKeepAliveEvery) {
              *idle = 0;
              text = ": keep-alive\n\n";
            } else {
              return true;
            }
            return sink.write(text.data(), text.size());
          });
    } else {
      out.set_content(answer.body, answer.content_type);
    }
  };
  server.Get(".*", handler);
  server.Post(".*", handler);
  server.Put(".*", handler);
  server.Delete(".*", handler);
  server.Patch(".*", handler);

  if (options_.port == 0) {
    port_ = server.bind_to_any_port(options_.host);
    if (port_ <= 0) throw std::runtime_error("cannot listen on " + options_.host);
  } else {
    if (!server.bind_to_port(options_.host, options_.port)) {
      throw std::runtime_error("cannot listen on " + options_.host + ":" +
                               std::to_string(options_.port) + " (in use, or not this machine's)");
    }
    port_ = options_.port;
  }
  thread_ = std::thread([&server] { server.listen_after_bind(); });
}

void HttpServer::stop() {
  if (!thread_.joinable()) return;
  impl_->server.stop();
  thread_.join();
}

}  // namespace zentrik
