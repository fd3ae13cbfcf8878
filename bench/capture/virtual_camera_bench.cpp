// Speed of the virtual camera: rendering one scene frame (plain, with noise) and a whole frame
// through ezVidCap as fast as it is consumed (read, painted on the capture window, announced).
#include <benchmark/benchmark.h>

#include <memory>

#include "zentrik/capture/VirtualCamera.h"
#include "zentrik/capture/VirtualScene.h"
#include "zentrik/capture/ezVidCap.h"

namespace zentrik {
namespace {

void BM_RenderFrame(benchmark::State& state) {
  VirtualSceneOptions options = standard_scene(1);
  options.noise = state.range(0) != 0;
  const VirtualScene scene(options);
  auto frame = std::make_unique<Frame>();
  std::int64_t index = 0;
  for (auto _ : state) {
    scene.render(index++, *frame);
    benchmark::DoNotOptimize(frame->pixels);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(options.noise ? "noise" : "plain");
}
BENCHMARK(BM_RenderFrame)->Arg(0)->Arg(1);

void BM_VirtualCameraNextFrame(benchmark::State& state) {
  VirtualCamera camera;
  camera.open();
  camera.start();
  auto frame = std::make_unique<Frame>();
  for (auto _ : state) {
    benchmark::DoNotOptimize(camera.next_frame(*frame));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VirtualCameraNextFrame);

void BM_EzVidCapDeliverFrame(benchmark::State& state) {
  DriverRegistry drivers;
  drivers.add(DriverRegistry::virtual_camera());
  ezVidCap component(drivers);
  FunctionSink sink([](DispId, std::span<Variant>) {});
  component.events().advise(&sink);
  component.set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
  component.put(ezVidCap::kDriverIndex, Long{0});
  component.put(ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
  for (auto _ : state) {
    if (component.deliver_frames(1) != 1) state.SkipWithError("no frame");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EzVidCapDeliverFrame);

}  // namespace
}  // namespace zentrik

BENCHMARK_MAIN();
