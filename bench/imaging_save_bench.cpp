// The in-place conversion of a 320 x 240 camera-like frame to 16 and to 256 colours (target:
// under 1 ms each), and SavePicture of the frame as a bitmap file.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "imaging_frame.h"
#include "zentrik/colourdepth/cDIBSectionSave.h"

namespace zentrik {
namespace {

void BM_SaveColours(benchmark::State& state) {
  cDIBSection frame;
  if (!bench::make_camera_frame(state, frame)) return;
  const ByteView bits = frame.view();
  const std::vector<Byte> original(bits.data(), bits.data() + bits.stride() * bits.rows());
  cDIBSectionSave converter;
  const auto depth = static_cast<Long>(state.range(0));
  for (auto _ : state) {
    // Every conversion starts from the full-colour frame, as in the frame pipeline.
    state.PauseTiming();
    std::memcpy(bits.data(), original.data(), original.size());
    state.ResumeTiming();
    converter.Save("", frame, nullptr, depth, 0);
    benchmark::ClobberMemory();
  }
  state.SetLabel(depth == 1 ? "16 colours" : "256 colours");
}
BENCHMARK(BM_SaveColours)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_SavePicture(benchmark::State& state) {
  cDIBSection frame;
  if (!bench::make_camera_frame(state, frame)) return;
  const auto folder = std::filesystem::temp_directory_path() / "zentrik-imaging-bench";
  std::filesystem::create_directories(folder);
  const std::string file = (folder / "frame.bmp").string();
  for (auto _ : state) {
    if (!is_true(frame.SavePicture(file))) state.SkipWithError("write failed");
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SavePicture)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zentrik

BENCHMARK_MAIN();
