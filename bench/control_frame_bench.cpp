// The control's frame handler on virtual-camera frames: the whole handler at layer 0 and with 64
// zones at each colour depth, one frame with a pending JPEG snapshot, and its parts (grab,
// preview, sampling, zone passes) timed alone. Run on one core; read the medians.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "control/SampleGrid.h"
#include "control/SampleWindow.h"
#include "control/ZoneCounter.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/capture/ezVidCap.h"
#include "zentrik/control/orvex.h"
#include "zentrik/platform/message_box.h"
#include "zentrik/platform/picture.h"

namespace zentrik {
namespace {

// A control over the virtual camera (standard scene), capture on, frames on request.
struct Rig {
  explicit Rig(Integer layer, Long depth) {
    set_presenter(std::make_shared<ScriptedPresenter>());
    control = std::make_unique<orvex>(drivers);
    control->video().set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
    control->set_active(vbTrue);
    control->set_colordepth(depth);
    if (layer > 0) {
      add_zones(layer);
      control->set_layer(layer);
    }
    control->video().deliver_frames(40);  // into the scene, where objects move
  }

  // 64 zones over the whole frame in an 8 x 8 mosaic of overlapping rectangles: odd numbers
  // motion zones, even numbers colour zones looking for the scene's colours.
  void add_zones(Integer layer) {
    const Long colours[] = {RGB(255, 0, 0), RGB(0, 0, 255),   RGB(255, 255, 0), RGB(255, 255, 255),
                            RGB(0, 255, 0), RGB(255, 0, 255), RGB(0, 255, 255), RGB(128, 128, 128)};
    for (Integer zone = 1; zone <= 64; ++zone) {
      Integer l = layer, z = zone;
      Integer left = static_cast<Integer>(((zone - 1) % 8) * 40 - 20);
      Integer top = static_cast<Integer>(((zone - 1) / 8) * 30 - 15);
      Integer width = 80, height = 60, pct = 5;
      if (zone % 2 == 1) {
        control->add_motion_detection(l, z, left, top, width, height, pct);
      } else {
        Long colour = colours[(zone / 2) % 8];
        control->add_color_detection(l, z, left, top, width, height, colour, pct);
      }
    }
  }

  // The control's frame handler alone, on the frame the capture window shows.
  void handle_frame() {
    Variant index(Long{0});
    control->video().events().sink()->on_event(ezVidCap::kFrameReady, std::span(&index, 1));
  }

  DriverRegistry drivers = DriverRegistry::standard();
  std::unique_ptr<orvex> control;
};

void report_rate(benchmark::State& state) {
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The whole frame handler.
void BM_FrameHandler(benchmark::State& state) {
  Rig rig(static_cast<Integer>(state.range(0)), static_cast<Long>(state.range(1)));
  for (auto _ : state) rig.handle_frame();
  report_rate(state);
}
BENCHMARK(BM_FrameHandler)
    ->ArgNames({"layer", "colordepth"})
    ->Args({0, 65535})
    ->Args({1, 65535})
    ->Args({1, 256})
    ->Args({1, 16});

// Delivery of a new camera frame (render, paint on the capture window) plus the handler.
void BM_DeliverAndHandle(benchmark::State& state) {
  Rig rig(static_cast<Integer>(state.range(0)), 65535);
  for (auto _ : state) rig.control->video().deliver_frames(1);
  report_rate(state);
}
BENCHMARK(BM_DeliverAndHandle)->ArgNames({"layer"})->Arg(0)->Arg(1);

// One frame with a pending full-colour JPEG snapshot.
void BM_FrameWithJpegSnapshot(benchmark::State& state) {
  Rig rig(1, 65535);
  std::string file = (std::filesystem::temp_directory_path() / "zentrik_bench_shot.jpg").string();
  Boolean truecolor = vbTrue;
  for (auto _ : state) {
    rig.control->save_picture(file, truecolor);
    rig.handle_frame();
  }
  std::filesystem::remove(file);
  report_rate(state);
}
BENCHMARK(BM_FrameWithJpegSnapshot)->Unit(benchmark::kMicrosecond);

// --- the parts, with the same platform calls the handler makes ------------------------------

void BM_PartGrab(benchmark::State& state) {
  Rig rig(0, 65535);
  PictureBox tmp(320, 240, true);
  const HWND window = rig.control->video().capture_window();
  for (auto _ : state) {
    const HDC dc = GetDC(window);
    BitBlt(tmp.hDC(), 0, 0, 320, 240, dc, 0, 0, SRCCOPY);
    tmp.SetPicture(tmp.Image());
    ReleaseDC(window, dc);
  }
}
BENCHMARK(BM_PartGrab);

void BM_PartPreview(benchmark::State& state) {
  Rig rig(0, 65535);
  PictureBox beeld(320, 240, false);
  const PicturePtr frame = rig.control->tmp().Picture();
  for (auto _ : state) beeld.SetPicture(frame);
}
BENCHMARK(BM_PartPreview);

void BM_PartSampling(benchmark::State& state) {
  Rig rig(0, 65535);
  const HDC dc = rig.control->beeld().hDC();
  SampleTable current, previous;
  for (auto _ : state) {
    previous = current;
    for (Long column = 0; column < kSampleColumns; ++column)
      for (Long row = 0; row < kSampleRows; ++row)
        SampleGrid::at(current, column, row) = GetPixel(dc, 1 + 4 * column, 1 + 4 * row);
    benchmark::DoNotOptimize(current);
  }
}
BENCHMARK(BM_PartSampling);

void BM_PartZonePasses(benchmark::State& state) {
  Rig rig(1, 65535);
  const OrvexState& s = rig.control->state();
  ZoneCounter counter;
  for (auto _ : state) {
    counter.reset();
    Long total = 0;
    for (Integer zone = 1; zone <= 64; ++zone) {
      if (s.color_percentage(1, zone) > 0) {
        const SampleWindow w = sample_window(s.color_left(1, zone), s.color_top(1, zone),
                                             s.color_width(1, zone), s.color_height(1, zone));
        total += counter.matching_points(s.current_samples, s.color_value(1, zone), w);
      }
    }
    for (Integer zone = 1; zone <= 64; ++zone) {
      if (s.motion_percentage(1, zone) > 0) {
        const SampleWindow w = sample_window(s.motion_left(1, zone), s.motion_top(1, zone),
                                             s.motion_width(1, zone), s.motion_height(1, zone));
        total += counter.changed_points(s.previous_samples, s.current_samples, w);
      }
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_PartZonePasses);

}  // namespace
}  // namespace zentrik

BENCHMARK_MAIN();
