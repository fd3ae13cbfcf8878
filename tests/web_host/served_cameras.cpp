// The API tests' host on its own loop thread.
#include "web_host/served_cameras.h"

#include <future>

#include "zentrik/platform/message_loop.h"

namespace zentrik::testing {

ServedCameras::ServedCameras(ServedOptions options) {
  std::vector<CameraConfig> cameras;
  for (std::size_t i = 0; i < options.cameras.size(); ++i) {
    CameraConfig camera;
    camera.name = options.cameras[i];
    camera.source = i < options.sources.size() ? options.sources[i] : "";
    camera.zone_names = options.zone_names;
    cameras.push_back(camera);
  }
  CameraHostOptions host;
  host.state_dir = (options.folder / "state").string();
  host.default_script_text = options.script;
  host.default_script_name = "test script";
  host.retry_seconds = 1;
  host.virtual_frame_rate = 15;  // half the scene's rate: room for sanitizer builds
  host_ = std::make_unique<CameraHost>(cameras, host);
  router_ = std::make_unique<ApiRouter>(*host_, RouterOptions{options.token});
  server_ = std::make_unique<HttpServer>(
      *host_, *router_,
      HttpServerOptions{"127.0.0.1", 0, options.max_streams, options.write_timeout_seconds});
  std::promise<void> started;
  loop_ = std::thread([&] {
    try {
      host_->start();
      server_->start();
      started.set_value();
    } catch (...) {
      started.set_exception(std::current_exception());
      return;
    }
    MessageLoop::instance().run();
    host_->close();
    server_->stop();
    host_->stop();
  });
  try {
    started.get_future().get();
  } catch (...) {
    loop_.join();
    throw;
  }
}

ServedCameras::~ServedCameras() {
  MessageLoop::instance().quit();
  loop_.join();
}

httplib::Client ServedCameras::client() const {
  httplib::Client client("127.0.0.1", port());
  client.set_read_timeout(10, 0);
  return client;
}

std::filesystem::path fresh_folder(const std::string& name) {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("zentrik-web-" + name + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

bool eventually(const std::function<bool()>& ready, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return ready();
}

}  // namespace zentrik::testing
