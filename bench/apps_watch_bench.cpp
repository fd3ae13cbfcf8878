// `zentrik watch --fast` end to end on a 1080p H.264 clip (3 s at 30 fps of ffmpeg's testsrc2,
// made once at start) with 16 zones, each run a fresh process as a person would start it; beside
// it the source driver alone decoding and scaling the same clip to 320 x 240, the same zones
// over the virtual camera (the control's share without decoding), and the start and end of a
// one-frame run. Frames per second are in the `fps` counter.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "zentrik/sources/MediaSourceDriver.h"

extern char** environ;

namespace {

constexpr int kClipFrames = 90;  // 3 s at 30 fps

// A temporary folder with the clip and the zone script, removed at exit.
class BenchFiles {
 public:
  BenchFiles() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "zentrik-apps-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    const std::string command =
        "ffmpeg -hide_banner -nostdin -loglevel error -y -f lavfi -i "
        "testsrc2=size=1920x1080:rate=30 -frames:v " +
        std::to_string(kClipFrames) + " -c:v libx264 -preset veryfast -pix_fmt yuv420p '" +
        clip().string() + "'";
    if (std::system(command.c_str()) != 0) std::abort();
    std::ofstream script(zones());
    // A 4 x 4 grid of 80 x 60 zones: motion and colour in turn, over the whole frame.
    for (int row = 0; row < 4; ++row) {
      for (int column = 0; column < 4; ++column) {
        const int zone = row * 4 + column + 1;
        const std::string where = "1, " + std::to_string(zone) + ", " +
                                  std::to_string(column * 80) + ", " + std::to_string(row * 60) +
                                  ", 80, 60, ";
        if (zone % 2) {
          script << "add_motion_detection " << where << "10\n";
        } else {
          script << "add_color_detection " << where << "&H00FFFF, 10\n";
        }
      }
    }
    script << "layer = 1\nactive = True\n";
  }
  ~BenchFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::filesystem::path clip() const { return folder_ / "testsrc2_1080p.mp4"; }
  std::filesystem::path zones() const { return folder_ / "zones16.zentrik"; }
  std::filesystem::path log() const { return folder_ / "stderr.txt"; }

 private:
  std::filesystem::path folder_;
};

const BenchFiles& files() {
  static const BenchFiles made;
  return made;
}

// Runs zentrik with `args`, its output to /dev/null and its messages to the log file; the
// exit status.
int run_zentrik(const std::vector<std::string>& args) {
  std::vector<std::string> words = {ZENTRIK_PROGRAM};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, files().log().c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string last_log() {
  std::ifstream in(files().log());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Times whole runs of zentrik; each must exit 0 and report `frames` frames.
void time_runs(benchmark::State& state, const std::vector<std::string>& args, int frames) {
  const std::string summary = "zentrik watch: " + std::to_string(frames) + " frames";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int status = run_zentrik(args);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
    if (status != 0 || last_log().find(summary) == std::string::npos) {
      state.SkipWithError(("zentrik failed: " + last_log()).c_str());
      break;
    }
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(frames) * state.iterations(),
                                             benchmark::Counter::kIsRate);
}

// The program as a person runs it on a file: open, decode, scale, 16 zones, JSON events.
void BM_WatchFile1080p(benchmark::State& state) {
  time_runs(state,
            {"watch", "--source", files().clip().string(), "--script", files().zones().string(),
             "--fast", "--format", "json", "--quiet-fps"},
            kClipFrames);
}
BENCHMARK(BM_WatchFile1080p)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// Decoding and scaling alone: the source driver reads the whole clip, open to end, in-process.
void BM_DecodeAndScale1080p(benchmark::State& state) {
  zentrik::MediaSourceOptions options;
  options.location = files().clip().string();
  auto frame = std::make_unique<zentrik::Frame>();
  for (auto _ : state) {
    zentrik::MediaSourceDriver driver(options);
    if (!driver.open() || !driver.start()) {
      state.SkipWithError(driver.error().c_str());
      break;
    }
    int frames = 0;
    while (driver.next_frame(*frame) == zentrik::FrameStatus::Ok) ++frames;
    benchmark::DoNotOptimize(frame->pixels[0]);
    driver.close();
    if (frames != kClipFrames) {
      state.SkipWithError("the clip did not give all its frames");
      break;
    }
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(kClipFrames) * state.iterations(),
                                             benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeAndScale1080p)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same zones and run length on the virtual camera: the program without decoding.
void BM_WatchVirtualCamera(benchmark::State& state) {
  time_runs(state,
            {"watch", "--script", files().zones().string(), "--fast", "--frames",
             std::to_string(kClipFrames), "--format", "json", "--quiet-fps"},
            kClipFrames);
}
BENCHMARK(BM_WatchVirtualCamera)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// Starting and ending the program around a single frame of the clip.
void BM_WatchOneFrame1080p(benchmark::State& state) {
  time_runs(state,
            {"watch", "--source", files().clip().string(), "--script", files().zones().string(),
             "--fast", "--frames", "1", "--format", "json", "--quiet-fps"},
            1);
}
BENCHMARK(BM_WatchOneFrame1080p)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
