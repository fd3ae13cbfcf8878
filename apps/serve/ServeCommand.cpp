// `zentrik serve`: the browser host. Hosts one orvex control per camera on the message loop,
// serves the page and the API, and runs until Ctrl-C or SIGTERM stops every camera cleanly.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "watch/DemoScript.h"
#include "zentrik/config/ServeConfig.h"
#include "zentrik/platform/message_loop.h"
#include "zentrik/web/ApiRouter.h"
#include "zentrik/web/CameraHost.h"
#include "zentrik/web/HttpServer.h"

namespace zentrik::cli {

const char* const kServeHelp =
    "usage: zentrik serve [--config FILE] [--listen ADDR:PORT] [--token T]\n"
    "\n"
    "Serves a web page and an HTTP API that show and control the cameras: live pictures,\n"
    "zone outlines, the processed picture, the pixel read-out, layers, colour depth, zones,\n"
    "events and snapshots. With no configuration it serves two cameras, cam1 and cam2, on the\n"
    "virtual camera with the zones of examples/demo.zentrik.\n"
    "\n"
    "options:\n"
    "  --config FILE        the cameras and settings (YAML; see the README's Serving section)\n"
    "  --listen ADDR:PORT   where to listen (default 127.0.0.1:8080, or the file's `listen`)\n"
    "  --token T            the token every request must carry (Authorization: Bearer T or\n"
    "                       ?token=T); required to listen on anything but loopback\n"
    "\n"
    "With an `mqtt:` section in the configuration every camera publishes its events, steady\n"
    "zone states and event snapshots to that broker and takes its commands, as\n"
    "`zentrik watch --mqtt` does; zone names and hold times come from the cameras' `zones:`.\n"
    "\n"
    "Ctrl-C or SIGTERM stops every camera and exits with status 0. Exit status 2: a wrong\n"
    "option, configuration or script; 1: the address cannot be used.\n";

namespace {

ServeConfig demo_config() {
  ServeConfig config;
  for (const char* name : {"cam1", "cam2"}) {
    CameraConfig camera;
    camera.name = name;
    config.cameras.push_back(camera);
  }
  return config;
}

ServeConfig read_config(const CommandLine& cl) {
  ServeConfig config;
  if (auto file = cl.value("config")) {
    try {
      config = load_serve_config(*file);
    } catch (const ConfigError& e) {
      throw UsageError(e.what());
    }
  } else {
    config = demo_config();
  }
  if (auto listen = cl.value("listen")) config.listen = *listen;
  if (auto token = cl.value("token")) config.token = *token;
  return config;
}

// Waits on its own thread for SIGINT or SIGTERM (blocked in every other thread) and ends the
// loop; the loop thread then stops everything in order.
class SignalWatch {
 public:
  SignalWatch() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
  }
  void start() {
    thread_ = std::thread([this] {
      int signal = 0;
      sigwait(&signals_, &signal);
      MessageLoop::instance().quit();
    });
  }
  ~SignalWatch() {
    if (!thread_.joinable()) return;
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
  }

 private:
  sigset_t signals_;
  std::thread thread_;
};

}  // namespace

int run_serve(const std::vector<std::string>& args) {
  CommandLine cl(args, {}, {"config", "listen", "token"});
  cl.at_most(0);
  const ServeConfig config = read_config(cl);

  std::string host;
  int port = 0;
  if (!split_listen_address(config.listen, host, port)) {
    throw UsageError("--listen takes HOST:PORT, e.g. 127.0.0.1:8080, not '" + config.listen + "'");
  }
  if (!is_loopback_host(host) && config.token.empty()) {
    throw UsageError("listening on " + config.listen +
                     " (beyond this machine) needs a token: --token T or `token:` in the "
                     "configuration");
  }

  SignalWatch signals;  // before any thread starts, so all of them leave the signals to it
  CameraHostOptions options;
  options.state_dir = config.state;
  if (config.file.empty()) {
    options.default_script_text = kDemoScript;
    options.default_script_name = "demo script";
  }
  options.mqtt = config.mqtt;
  options.report = [](const std::string& line) {
    std::fprintf(stderr, "zentrik serve: %s\n", line.c_str());
  };
  CameraHost cameras(config.cameras, options);
  try {
    cameras.start();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zentrik serve: %s\n", e.what());
    return kExitUsage;
  }
  ApiRouter router(cameras, RouterOptions{config.token});
  HttpServer server(cameras, router, HttpServerOptions{host, port});
  try {
    server.start();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zentrik serve: %s\n", e.what());
    return kExitFailure;
  }
  signals.start();

  const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  std::printf("zentrik serve: %zu camera%s; open http://%s:%d/%s in a browser (Ctrl-C stops)\n",
              cameras.size(), cameras.size() == 1 ? "" : "s", shown.c_str(), server.port(),
              config.token.empty() ? "" : "?token=YOUR-TOKEN");
  std::fflush(stdout);

  MessageLoop::instance().run();
  std::fprintf(stderr, "zentrik serve: stopping\n");
  cameras.close();
  server.stop();
  cameras.stop();
  return kExitOk;
}

}  // namespace zentrik::cli
