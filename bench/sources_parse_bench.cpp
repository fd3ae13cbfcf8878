// The control script parser on a 64-zone script, and the bitmap reader on a 640 x 480 file of
// each depth.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "zentrik/bmpread/BitmapReader.h"
#include "zentrik/script/ControlScript.h"

namespace {

std::string zone_script() {
  std::string text = "' 64 motion zones and 64 colour zones\nlayer = 1\ncolordepth = medium\n";
  for (int zone = 1; zone <= 64; ++zone) {
    const std::string z = std::to_string(zone);
    text += "add_motion_detection 1, " + z + ", " + std::to_string(zone % 8 * 40) + ", " +
            std::to_string(zone / 8 * 30) + ", 40, 30, 20  # zone " + z + "\n";
    text += "add_color_detection 1, " + z + ", 0, 0, 40, 40, &H0000FF, 30\n";
  }
  return text + "save_picture \"shot.jpg\", True\nactive = True\n";
}

void BM_ParseZoneScript(benchmark::State& state) {
  const std::string text = zone_script();
  const std::vector<zentrik::NamedConstant> constants = {{"medium", 256}};
  for (auto _ : state) {
    auto script = zentrik::ControlScript::parse(text, "zones.txt", constants);
    benchmark::DoNotOptimize(script.statements().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseZoneScript);

std::vector<std::uint8_t> bitmap_file(int bits) {
  const int width = 640, height = 480;
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  const std::size_t table = bits <= 8 ? 4u << bits : 0;
  const std::size_t offset = 54 + table;
  std::vector<std::uint8_t> b(offset + stride * height, 0);
  const auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(10, static_cast<std::uint32_t>(offset), 4);
  put(14, 40, 4);
  put(18, width, 4);
  put(22, height, 4);
  put(26, 1, 2);
  put(28, static_cast<std::uint32_t>(bits), 2);
  for (std::size_t i = 54; i < b.size(); ++i)
    b[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
  return b;
}

void BM_ReadBitmap(benchmark::State& state) {
  const auto bytes = bitmap_file(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto image = zentrik::read_bitmap(bytes);
    benchmark::DoNotOptimize(image.pixels.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadBitmap)->Arg(4)->Arg(8)->Arg(24)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
