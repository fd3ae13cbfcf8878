// Frames per second of MediaSourceDriver on the caller's thread (decode, then scale to 320 x 240
// bottom-up BGR) for clips made at start with the ffmpeg command: 1080p and 720p H.264 and a
// 640 x 480 MPEG-4 clip. A 320 x 240 clip, which needs almost no scaling, shows the decoding share.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "zentrik/sources/MediaSourceDriver.h"

namespace {

struct Clip {
  const char* name;
  const char* size;
  const char* encoder;
};

constexpr Clip kClips[] = {
    {"h264_1080p.mp4", "1920x1080", "-c:v libx264 -preset veryfast -pix_fmt yuv420p"},
    {"h264_720p.mp4", "1280x720", "-c:v libx264 -preset veryfast -pix_fmt yuv420p"},
    {"h264_240p.mp4", "320x240", "-c:v libx264 -preset veryfast -pix_fmt yuv420p"},
    {"mpeg4_480p.avi", "640x480", "-c:v mpeg4 -q:v 3"},
};

const std::filesystem::path& clip_folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "zentrik-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    std::filesystem::path made = pattern;
    for (const Clip& clip : kClips) {
      const std::string command = std::string("ffmpeg -hide_banner -nostdin -loglevel error -y ") +
                                  "-f lavfi -i testsrc2=size=" + clip.size +
                                  ":rate=30 -frames:v 120 " + clip.encoder + " '" +
                                  (made / clip.name).string() + "'";
      if (std::system(command.c_str()) != 0) std::abort();
    }
    return made;
  }();
  return folder;
}

void BM_DecodeAndScale(benchmark::State& state) {
  const Clip& clip = kClips[state.range(0)];
  zentrik::MediaSourceOptions options;
  options.location = (clip_folder() / clip.name).string();
  auto frame = std::make_unique<zentrik::Frame>();
  std::unique_ptr<zentrik::MediaSourceDriver> driver;
  const auto reopen = [&] {
    driver = std::make_unique<zentrik::MediaSourceDriver>(options);
    if (!driver->open() || !driver->start()) state.SkipWithError(driver->error().c_str());
  };
  reopen();
  std::int64_t frames = 0;
  for (auto _ : state) {
    zentrik::FrameStatus status = driver->next_frame(*frame);
    if (status == zentrik::FrameStatus::End) {
      state.PauseTiming();
      reopen();
      state.ResumeTiming();
      status = driver->next_frame(*frame);
    }
    if (status != zentrik::FrameStatus::Ok) {
      state.SkipWithError("no frame");
      break;
    }
    benchmark::DoNotOptimize(frame->pixels[0]);
    ++frames;
  }
  state.SetItemsProcessed(frames);
  state.SetLabel(std::string(clip.size) + " " + clip.name);
}
BENCHMARK(BM_DecodeAndScale)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
