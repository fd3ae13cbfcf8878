// Fuzz target: any request to the browser host's router, without sockets. The input is
// "METHOD PATH[?QUERY]", header lines "name: value", an empty line, then the body. Every answer
// must be a 2xx, 4xx or 503 with a JSON error for refusals; nothing may crash or throw.
#include <unistd.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "zentrik/platform/message_loop.h"
#include "zentrik/web/ApiRouter.h"
#include "zentrik/web/CameraHost.h"

namespace {

using namespace zentrik;

struct Fixture {
  Fixture() {
    state = std::filesystem::temp_directory_path() /
            ("zentrik-router-fuzz-" + std::to_string(::getpid()));
    CameraHostOptions options;
    options.state_dir = state.string();
    options.real_time = false;
    options.default_script_text = "add_motion_detection 1, 1, 0, 0, 320, 240, 5\nlayer = 1\n";
    options.default_script_name = "fuzz script";
    CameraConfig camera;
    camera.name = "cam1";
    host = std::make_unique<CameraHost>(std::vector<CameraConfig>{camera}, options);
    host->start();  // this thread is the loop thread: every call runs at once
    router = std::make_unique<ApiRouter>(*host, RouterOptions{"", 4096});
  }
  ~Fixture() {
    router.reset();
    host.reset();
    std::filesystem::remove_all(state);
  }
  std::filesystem::path state;
  std::unique_ptr<CameraHost> host;
  std::unique_ptr<ApiRouter> router;
};

std::string_view take_line(std::string_view& text) {
  const std::size_t end = text.find('\n');
  std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

HttpRequest parse(std::string_view text) {
  HttpRequest request;
  std::string_view first = take_line(text);
  const std::size_t space = first.find(' ');
  request.method = std::string(first.substr(0, space));
  std::string_view target = space == std::string_view::npos ? "/" : first.substr(space + 1);
  const std::size_t question = target.find('?');
  request.path = std::string(target.substr(0, question));
  if (question != std::string_view::npos) {
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
      const std::size_t amp = query.find('&');
      std::string_view pair = query.substr(0, amp);
      const std::size_t eq = pair.find('=');
      request.query[std::string(pair.substr(0, eq))] =
          eq == std::string_view::npos ? "" : std::string(pair.substr(eq + 1));
      query.remove_prefix(amp == std::string_view::npos ? query.size() : amp + 1);
    }
  }
  for (std::string_view line = take_line(text); !line.empty(); line = take_line(text)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) break;
    request.headers[std::string(line.substr(0, colon))] =
        std::string(line.substr(colon + 1 + (line.size() > colon + 1 && line[colon + 1] == ' ')));
  }
  request.body = std::string(text);
  return request;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture fixture;
  static unsigned calls = 0;
  if (++calls % 16 == 0) {
    fixture.host->deliver_frames();
    MessageLoop::instance().run_until_idle();
  }
  const HttpResponse response =
      fixture.router->handle(parse(std::string_view(reinterpret_cast<const char*>(data), size)));
  const bool refusal = response.status >= 400;
  if (response.status < 200 || response.status > 599 || response.status == 500) std::abort();
  if (refusal && response.body.find("{\"error\":") != 0) std::abort();
  return 0;
}
