// The colour subsystem on one 1920 x 1080 photo-like image (smooth lighting, coloured regions,
// edges and sensor noise): CreateOptimal with 236 colours and 6 levels, ApplyPalette with that
// palette with and without diffusion, a plain linear-scan ApplyPalette as the baseline (checked
// to give identical bytes first), GrayScale and BlackAndWhite.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "colour/ColourOctree.h"
#include "colour/reference_reduce.h"
#include "zentrik/colour/cColourReduceDIB.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik {
namespace {

constexpr Long kWidth = 1920;
constexpr Long kHeight = 1080;

Byte ToByte(double v) {
  return static_cast<Byte>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The picture's bytes, bottom-up rows of BytesPerScanLine bytes, made once.
const std::vector<Byte>& Photo(Long stride) {
  static const std::vector<Byte> bytes = [stride] {
    std::vector<Byte> out(static_cast<std::size_t>(stride) * kHeight);
    std::mt19937 random(1234);
    std::normal_distribution<double> noise(0.0, 4.0);
    for (Long y = 0; y < kHeight; ++y) {
      for (Long x = 0; x < kWidth; ++x) {
        const double u = double(x) / kWidth, v = double(y) / kHeight;
        // Sky-to-ground lighting, two soft coloured objects and a hard-edged band.
        double r = 90 + 110 * v + 40 * std::sin(6 * u + 2 * v);
        double g = 110 + 60 * std::cos(4 * u - 3 * v) + 50 * v;
        double b = 200 - 120 * v + 30 * std::sin(9 * u * v);
        const double d1 = std::hypot(u - 0.3, v - 0.6), d2 = std::hypot(u - 0.72, v - 0.35);
        if (d1 < 0.18) r += 100 * (0.18 - d1) / 0.18, g -= 40 * (0.18 - d1) / 0.18;
        if (d2 < 0.12) g += 90 * (0.12 - d2) / 0.12, b -= 70;
        if (((x / 40) + (y / 60)) % 7 == 0 && v < 0.4) r *= 0.6, g *= 0.6, b *= 0.6;
        Byte* p = out.data() + static_cast<std::size_t>(y) * stride + 3 * x;
        p[0] = ToByte(b + noise(random));
        p[1] = ToByte(g + noise(random));
        p[2] = ToByte(r + noise(random));
      }
    }
    return out;
  }();
  return bytes;
}

struct Fixture {
  Fixture() {
    if (!is_true(from.Create(kWidth, kHeight)) || !is_true(to.Create(kWidth, kHeight))) {
      std::fprintf(stderr, "cannot make the images\n");
      std::exit(1);
    }
    Reset();
  }
  void Reset() {
    const std::vector<Byte>& photo = Photo(from.BytesPerScanLine());
    std::memcpy(from.DIBSectionBitsPtr(), photo.data(), photo.size());
  }
  std::size_t Size() const {
    return static_cast<std::size_t>(from.BytesPerScanLine()) * static_cast<std::size_t>(kHeight);
  }
  cDIBSection from, to;
};

const cPalette& OptimalPalette() {
  static const cPalette palette = [] {
    Fixture image;
    cPalette p;
    p.CreateOptimal(image.from, 236, 6);
    return p;
  }();
  return palette;
}

void BM_CreateOptimal(benchmark::State& state) {
  Fixture image;
  cPalette palette;
  for (auto _ : state) {
    palette.CreateOptimal(image.from, 236, 6);
    benchmark::DoNotOptimize(palette.Count());
  }
  state.counters["entries"] = palette.Count();
  state.counters["nodes"] = palette.octree().TableSize();
}
BENCHMARK(BM_CreateOptimal)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ApplyPalette(benchmark::State& state) {
  const bool diffuse = state.range(0) != 0;
  Fixture image;
  cPalette palette = OptimalPalette();
  cColourReduceDIB reducer;
  for (auto _ : state) {
    state.PauseTiming();
    image.Reset();
    state.ResumeTiming();
    reducer.ApplyPalette(image.from, image.to, palette, to_boolean(diffuse));
  }
}
BENCHMARK(BM_ApplyPalette)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The plain definition: one linear ClosestIndex scan per pixel. Before timing it, both ways are
// run once on the same picture and must leave identical bytes.
void BM_ApplyPaletteLinearScanBaseline(benchmark::State& state) {
  const bool diffuse = state.range(0) != 0;
  const cPalette& palette = OptimalPalette();
  Fixture fast, plain;
  cPalette copy = palette;
  cColourReduceDIB().ApplyPalette(fast.from, fast.to, copy, to_boolean(diffuse));
  testing::ReferenceApplyPalette(plain.from.view(), plain.to.view(), kWidth, kHeight, palette,
                                 diffuse);
  const bool identical =
      std::memcmp(fast.to.DIBSectionBitsPtr(), plain.to.DIBSectionBitsPtr(), fast.Size()) == 0 &&
      std::memcmp(fast.from.DIBSectionBitsPtr(), plain.from.DIBSectionBitsPtr(), fast.Size()) == 0;
  if (!identical) {
    state.SkipWithError("the accelerated ApplyPalette differs from the linear scan");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    plain.Reset();
    state.ResumeTiming();
    testing::ReferenceApplyPalette(plain.from.view(), plain.to.view(), kWidth, kHeight, palette,
                                   diffuse);
  }
  state.counters["identical"] = 1;
}
BENCHMARK(BM_ApplyPaletteLinearScanBaseline)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_GrayScale(benchmark::State& state) {
  Fixture image;
  cColourReduceDIB reducer;
  for (auto _ : state) {
    state.PauseTiming();
    image.Reset();
    state.ResumeTiming();
    reducer.GrayScale(image.from);
  }
}
BENCHMARK(BM_GrayScale)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_BlackAndWhite(benchmark::State& state) {
  Fixture image;
  cColourReduceDIB reducer;
  for (auto _ : state) {
    state.PauseTiming();
    image.Reset();
    state.ResumeTiming();
    reducer.BlackAndWhite(image.from, image.to);
  }
}
BENCHMARK(BM_BlackAndWhite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace zentrik

BENCHMARK_MAIN();
