// Blits of one 320 x 240 camera-like frame (smooth gradients with noise): memcpy of the frame's
// bytes as the yardstick, 24-to-24, 24-to-8 through the halftone table and 24-to-4 through the
// 16-colour table, the brute-force nearest-colour loops they must match, building a map, and
// the picture-box path of the frame handler.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "platform/graphics_support.h"
#include "platform/nearest_colour.h"
#include "zentrik/platform/forms.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {
namespace {

constexpr Long kWidth = 320;
constexpr Long kHeight = 240;

using test::halftone_table;
using test::sixteen_colour_table;

// A DIB section in a memory DC of its own.
struct Dib {
  Dib(Long bits, std::span<const RgbQuad> colours = {}) {
    BitmapInfoHeader header;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biBitCount = static_cast<std::uint16_t>(bits);
    bitmap = CreateDIBSection(0, header, colours, DIB_RGB_COLORS, &data);
    dc = CreateCompatibleDC(0);
    old = SelectObject(dc, bitmap);
    stride = dib_stride(kWidth, bits);
  }
  ~Dib() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  std::uint8_t* bits() const { return static_cast<std::uint8_t*>(data); }
  std::size_t size() const { return static_cast<std::size_t>(stride) * kHeight; }

  HBITMAP bitmap = 0;
  void* data = nullptr;
  HDC dc = 0;
  HGDIOBJ old = 0;
  Long stride = 0;
};

// Smooth gradients in all three channels plus sensor-like noise.
void fill_camera_frame(const Dib& frame) {
  std::mt19937 rng(2024);
  std::normal_distribution<double> noise(0.0, 6.0);
  for (Long y = 0; y < kHeight; ++y) {
    std::uint8_t* row = frame.bits() + y * frame.stride;
    for (Long x = 0; x < kWidth; ++x) {
      const double r = 40 + 180.0 * x / kWidth + 20 * std::sin(y / 17.0);
      const double g = 30 + 160.0 * y / kHeight + 25 * std::cos(x / 23.0);
      const double b = 200 - 120.0 * (x + y) / (kWidth + kHeight);
      const auto clamp = [&](double v) {
        return static_cast<std::uint8_t>(std::clamp(v + noise(rng), 0.0, 255.0));
      };
      row[3 * x] = clamp(b);
      row[3 * x + 1] = clamp(g);
      row[3 * x + 2] = clamp(r);
    }
  }
}

const Dib& camera_frame() {
  static const Dib* frame = [] {
    auto* f = new Dib(24);
    fill_camera_frame(*f);
    return f;
  }();
  return *frame;
}

// The definition, pixel by pixel, into an index buffer laid out like the paletted section.
void brute_force(std::span<const RgbQuad> table, Long bits, std::vector<std::uint8_t>& out) {
  const Dib& frame = camera_frame();
  const Long stride = dib_stride(kWidth, bits);
  out.assign(static_cast<std::size_t>(stride) * kHeight, 0);
  for (Long y = 0; y < kHeight; ++y) {
    const std::uint8_t* in = frame.bits() + y * frame.stride;
    std::uint8_t* row = out.data() + y * stride;
    for (Long x = 0; x < kWidth; ++x) {
      const Byte index = nearest_colour_reference(table, in[3 * x + 2], in[3 * x + 1], in[3 * x]);
      if (bits == 8) {
        row[x] = index;
      } else {
        row[x / 2] |= static_cast<std::uint8_t>((x & 1) ? index : index << 4);
      }
    }
  }
}

void BM_MemcpyFrame(benchmark::State& state) {
  const Dib& frame = camera_frame();
  std::vector<std::uint8_t> copy(frame.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), frame.bits(), frame.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyFrame);

void BM_Blit24To24(benchmark::State& state) {
  const Dib& frame = camera_frame();
  Dib target(24);
  for (auto _ : state) {
    BitBlt(target.dc, 0, 0, kWidth, kHeight, frame.dc, 0, 0, SRCCOPY);
    benchmark::ClobberMemory();
  }
  if (std::memcmp(target.bits(), frame.bits(), frame.size()) != 0) {
    state.SkipWithError("24-bit copy differs");
  }
}
BENCHMARK(BM_Blit24To24);

// The capture window's paint: a 24-bit frame onto a display-format window surface.
void BM_SetDIBits24To32(benchmark::State& state) {
  const Dib& frame = camera_frame();
  const HWND window = CreateWindowSurface(kWidth, kHeight);
  BitmapInfoHeader header;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biBitCount = 24;
  for (auto _ : state) {
    SetDIBitsToDevice(GetDC(window), 0, 0, kWidth, kHeight, frame.bits(), header);
    benchmark::ClobberMemory();
  }
  DestroyWindow(window);
}
BENCHMARK(BM_SetDIBits24To32)->Unit(benchmark::kMicrosecond);

// A display-format frame into a 24-bit section, as a buffer loads a picture.
void BM_Blit32To24(benchmark::State& state) {
  const HWND window = CreateWindowSurface(kWidth, kHeight);
  BitBlt(GetDC(window), 0, 0, kWidth, kHeight, camera_frame().dc, 0, 0, SRCCOPY);
  Dib target(24);
  for (auto _ : state) {
    BitBlt(target.dc, 0, 0, kWidth, kHeight, GetDC(window), 0, 0, SRCCOPY);
    benchmark::ClobberMemory();
  }
  if (std::memcmp(target.bits(), camera_frame().bits(), target.size()) != 0) {
    state.SkipWithError("round trip through the display format differs");
  }
  DestroyWindow(window);
}
BENCHMARK(BM_Blit32To24)->Unit(benchmark::kMicrosecond);

void paletted_blit(benchmark::State& state, Long bits, const std::vector<RgbQuad>& table) {
  const Dib& frame = camera_frame();
  Dib target(bits, table);
  BitBlt(target.dc, 0, 0, kWidth, kHeight, frame.dc, 0, 0, SRCCOPY);  // the map, built once
  for (auto _ : state) {
    BitBlt(target.dc, 0, 0, kWidth, kHeight, frame.dc, 0, 0, SRCCOPY);
    benchmark::ClobberMemory();
  }
  std::vector<std::uint8_t> expected;
  brute_force(table, bits, expected);
  if (std::memcmp(expected.data(), target.bits(), expected.size()) != 0) {
    state.SkipWithError("blit differs from the brute-force mapping");
  }
}

void BM_Blit24To8Halftone(benchmark::State& state) {
  paletted_blit(state, 8, halftone_table());
}
BENCHMARK(BM_Blit24To8Halftone)->Unit(benchmark::kMicrosecond);

void BM_Blit24To4SixteenColours(benchmark::State& state) {
  paletted_blit(state, 4, sixteen_colour_table());
}
BENCHMARK(BM_Blit24To4SixteenColours)->Unit(benchmark::kMicrosecond);

// Back from a paletted section to 24 bits, as the colour-depth reduction copies its result back.
void paletted_to_24(benchmark::State& state, Long bits, const std::vector<RgbQuad>& table) {
  Dib paletted(bits, table);
  BitBlt(paletted.dc, 0, 0, kWidth, kHeight, camera_frame().dc, 0, 0, SRCCOPY);
  Dib target(24);
  for (auto _ : state) {
    BitBlt(target.dc, 0, 0, kWidth, kHeight, paletted.dc, 0, 0, SRCCOPY);
    benchmark::ClobberMemory();
  }
}

void BM_Blit8To24Halftone(benchmark::State& state) {
  paletted_to_24(state, 8, halftone_table());
}
BENCHMARK(BM_Blit8To24Halftone)->Unit(benchmark::kMicrosecond);

void BM_Blit4To24SixteenColours(benchmark::State& state) {
  paletted_to_24(state, 4, sixteen_colour_table());
}
BENCHMARK(BM_Blit4To24SixteenColours)->Unit(benchmark::kMicrosecond);

void BM_BruteForce8Halftone(benchmark::State& state) {
  const auto table = halftone_table();
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    brute_force(table, 8, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_BruteForce8Halftone)->Unit(benchmark::kMicrosecond);

void BM_BruteForce4SixteenColours(benchmark::State& state) {
  const auto table = sixteen_colour_table();
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    brute_force(table, 4, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_BruteForce4SixteenColours)->Unit(benchmark::kMicrosecond);

void BM_BuildMapHalftone(benchmark::State& state) {
  const auto table = halftone_table();
  for (auto _ : state) benchmark::DoNotOptimize(NearestColourMap(table));
}
BENCHMARK(BM_BuildMapHalftone)->Unit(benchmark::kMillisecond);

void BM_BuildMapRandom256(benchmark::State& state) {
  std::mt19937 rng(7);
  std::vector<RgbQuad> table(256);
  for (auto& e : table) e = {Byte(rng()), Byte(rng()), Byte(rng()), 0};
  for (auto _ : state) benchmark::DoNotOptimize(NearestColourMap(table));
}
BENCHMARK(BM_BuildMapRandom256)->Unit(benchmark::kMillisecond);

// The frame handler's picture path: grab from the capture window into tmp, make tmp's image its
// picture, show that picture on beeld; with `range(0)` the 4,400 detection reads as well.
void BM_FrameHandlerPictures(benchmark::State& state) {
  const HWND capture = CreateWindowSurface(kWidth, kHeight);
  BitBlt(GetDC(capture), 0, 0, kWidth, kHeight, camera_frame().dc, 0, 0, SRCCOPY);
  PictureBox tmp(kWidth, kHeight, true), beeld(kWidth, kHeight, false);
  const bool detect = state.range(0) != 0;
  for (auto _ : state) {
    BitBlt(tmp.hDC(), 0, 0, kWidth, kHeight, GetDC(capture), 0, 0, SRCCOPY);
    tmp.SetPicture(tmp.Image());
    beeld.SetPicture(tmp.Picture());
    if (detect) {
      ColorRef sum = 0;
      for (Long x = 1; x <= 317; x += 4) {
        for (Long y = 1; y <= 217; y += 4) sum += GetPixel(beeld.hDC(), x, y);
      }
      benchmark::DoNotOptimize(sum);
    }
  }
  DestroyWindow(capture);
}
BENCHMARK(BM_FrameHandlerPictures)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zentrik

BENCHMARK_MAIN();
