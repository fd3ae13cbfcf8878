// Resample of a 320 x 240 camera-like frame down to 160 x 120 and up to 640 x 480.
#include <benchmark/benchmark.h>

#include "imaging_frame.h"

namespace zentrik {
namespace {

void BM_Resample(benchmark::State& state) {
  cDIBSection frame;
  if (!bench::make_camera_frame(state, frame)) return;
  const auto width = static_cast<Long>(state.range(0));
  const auto height = static_cast<Long>(state.range(1));
  for (auto _ : state) {
    auto target = frame.Resample(height, width);
    benchmark::DoNotOptimize(target->DIBSectionBitsPtr());
  }
}
BENCHMARK(BM_Resample)->Args({160, 120})->Args({640, 480})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zentrik

BENCHMARK_MAIN();
