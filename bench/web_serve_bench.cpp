// The browser host's cost: one camera's frame with 0, 1 and 10 MJPEG viewers (the picture is
// encoded once per frame whatever the number of viewers, and not at all with none), and 64
// virtual cameras at 15 frames per second with a viewer on each, as a share of one core.
// Viewers are HTTP clients on loopback in this process; their own CPU time is measured per
// thread and taken out of the server's figure.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "zentrik/platform/message_box.h"
#include "zentrik/platform/message_loop.h"
#include "zentrik/web/ApiRouter.h"
#include "zentrik/web/CameraHost.h"
#include "zentrik/web/HttpServer.h"

namespace zentrik {
namespace {

const char* const kZones =
    "add_color_detection 1, 1, 20, 20, 40, 30, &H0000FF, 50\n"
    "add_color_detection 1, 4, 100, 96, 40, 40, &H00FF00, 20\n"
    "add_motion_detection 1, 6, 200, 52, 40, 32, 5\n"
    "layer = 1\n";

double thread_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double process_cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& v) { return static_cast<double>(v.tv_sec) + v.tv_usec * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

constexpr int kMaxViewers = 64;

// A served set of virtual cameras, the loop on the calling thread.
struct Served {
  Served(int cameras, bool real_time, double fps) {
    state = std::filesystem::temp_directory_path() /
            ("zentrik-serve-bench-" + std::to_string(getpid()));
    std::vector<CameraConfig> configs;
    for (int i = 0; i < cameras; ++i) {
      CameraConfig camera;
      camera.name = "cam" + std::to_string(i + 1);
      configs.push_back(camera);
    }
    CameraHostOptions options;
    options.state_dir = state.string();
    options.real_time = real_time;
    options.virtual_frame_rate = fps;
    options.default_script_text = kZones;
    options.default_script_name = "bench zones";
    host = std::make_unique<CameraHost>(configs, options);
    host->start();
    router = std::make_unique<ApiRouter>(*host, RouterOptions{});
    server = std::make_unique<HttpServer>(*host, *router, HttpServerOptions{"127.0.0.1", 0});
    server->start();
  }
  ~Served() {
    stop_viewers();
    host->stop();
    std::filesystem::remove_all(state);
  }

  // A viewer reading camera `id`'s MJPEG stream on a thread of its own; it keeps its thread's
  // CPU time up to date in its slot.
  void add_viewer(const std::string& id) {
    std::atomic<double>* cpu = &viewer_cpu[viewers.size()];
    viewers.emplace_back([this, id, cpu] {
      httplib::Client client("127.0.0.1", server->port());
      while (!stopping.load()) {  // again after a refused or dropped connection
        auto result =
            client.Get("/api/cameras/" + id + "/live.mjpg", [&](const char*, std::size_t size) {
              received += size;
              cpu->store(thread_cpu_seconds());
              return !stopping.load();
            });
        if (!result && !stopping.load()) {
          ++failures;
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
      }
    });
  }
  double viewers_cpu() const {
    double sum = 0;
    for (const auto& cpu : viewer_cpu) sum += cpu.load();
    return sum;
  }
  // Ends the streams (the server stops) and waits for the viewers.
  void stop_viewers() {
    stopping = true;
    host->close();
    server->stop();
    for (auto& t : viewers) t.join();
    viewers.clear();
  }

  std::filesystem::path state;
  std::unique_ptr<CameraHost> host;
  std::unique_ptr<ApiRouter> router;
  std::unique_ptr<HttpServer> server;
  std::vector<std::thread> viewers;
  std::atomic<bool> stopping{false};
  std::atomic<std::size_t> received{0};
  std::atomic<int> failures{0};
  std::atomic<double> viewer_cpu[kMaxViewers] = {};
};

// One frame of one camera: the control's frame handler, the preview encoding when watched and
// the hand-over to the viewers' threads. Time is the loop thread's; cpu_us_per_frame is the
// whole server's CPU (loop and sending threads, viewers' reading excluded).
void BM_ServeFrame(benchmark::State& state) {
  set_presenter(std::make_shared<ScriptedPresenter>());
  const int viewers = static_cast<int>(state.range(0));
  Served served(1, false, 0);
  for (int i = 0; i < viewers; ++i) served.add_viewer("cam1");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // streams open
  MessageLoop& loop = MessageLoop::instance();
  const double cpu_before = process_cpu_seconds() - served.viewers_cpu();
  std::int64_t frames = 0;
  for (auto _ : state) {
    served.host->deliver_frames();
    loop.run_until_idle();
    ++frames;
    // Real cameras leave time between frames; so do we, so the viewers keep up as they would.
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    state.ResumeTiming();
  }
  const double server_cpu = process_cpu_seconds() - served.viewers_cpu() - cpu_before;
  const std::size_t bytes = served.received.load();
  served.stop_viewers();
  state.counters["cpu_us_per_frame"] = server_cpu * 1e6 / static_cast<double>(frames);
  state.counters["viewer_kB_per_frame"] =
      static_cast<double>(bytes) / 1024.0 / static_cast<double>(frames);
}
BENCHMARK(BM_ServeFrame)->Arg(0)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond)->Iterations(600);

// 64 virtual cameras at 15 frames per second in real time, an MJPEG viewer on each, for five
// seconds: the server's CPU as a share of one core (target: under 0.5).
void BM_SixtyFourCamerasWithViewers(benchmark::State& state) {
  set_presenter(std::make_shared<ScriptedPresenter>());
  for (auto _ : state) {
    Served served(64, true, 15.0);
    for (int i = 0; i < 64; ++i) served.add_viewer("cam" + std::to_string(i + 1));
    MessageLoop& loop = MessageLoop::instance();
    loop.run(std::chrono::milliseconds(1000));  // settle
    const auto frames_before = served.host->cameras();
    std::int64_t before = 0;
    for (const auto& c : frames_before) before += c.frame;
    const std::size_t bytes_before = served.received.load();
    const double cpu_before = process_cpu_seconds();
    const double viewers_before = served.viewers_cpu();
    const auto start = std::chrono::steady_clock::now();
    loop.run(std::chrono::milliseconds(5000));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = process_cpu_seconds() - cpu_before;
    const std::size_t bytes = served.received.load() - bytes_before;
    std::int64_t after = 0;
    for (const auto& c : served.host->cameras()) after += c.frame;
    const double viewer_cpu = served.viewers_cpu() - viewers_before;
    state.counters["frames_per_s"] = static_cast<double>(after - before) / wall;
    state.counters["viewer_MB_per_s"] = static_cast<double>(bytes) / 1e6 / wall;
    state.counters["process_cores"] = cpu / wall;
    state.counters["viewer_cores"] = viewer_cpu / wall;
    state.counters["viewer_failures"] = served.failures.load();
    state.counters["server_cores"] = (cpu - viewer_cpu) / wall;
  }
}
BENCHMARK(BM_SixtyFourCamerasWithViewers)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace zentrik

BENCHMARK_MAIN();
