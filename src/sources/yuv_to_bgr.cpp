// YUV to BGR in 16.16 fixed point: each colour is luma plus the colour differences by their gains.
#include "YuvToBgr.h"

#include <algorithm>
#include <cmath>

namespace zentrik {
namespace {

constexpr double kScale = 65536.0;

std::int32_t fixed(double value) {
  return static_cast<std::int32_t>(std::lround(value * kScale));
}

// `count` pixels, blue, green and red each clamped to 0-255 (the compiler vectorises the loop,
// interleaving the three colours as it stores them).
[[gnu::always_inline]] inline void colours(const YuvToBgr::Gains& g,
                                           const std::uint8_t* __restrict y,
                                           const std::uint8_t* __restrict u,
                                           const std::uint8_t* __restrict v,
                                           std::uint8_t* __restrict bgr, int count) {
  constexpr std::int32_t kHalf = 1 << 15;
  for (int x = 0; x < count; ++x) {
    const std::int32_t luma = (y[x] - g.luma_black) * g.luma + kHalf;
    const std::int32_t pb = u[x] - 128, pr = v[x] - 128;
    bgr[3 * x] = static_cast<std::uint8_t>(std::clamp((luma + g.blue_u * pb) >> 16, 0, 255));
    bgr[3 * x + 1] = static_cast<std::uint8_t>(
        std::clamp((luma + g.green_u * pb + g.green_v * pr) >> 16, 0, 255));
    bgr[3 * x + 2] = static_cast<std::uint8_t>(std::clamp((luma + g.red_v * pr) >> 16, 0, 255));
  }
}

void colours_plain(const YuvToBgr::Gains& g, const std::uint8_t* __restrict y,
                   const std::uint8_t* __restrict u, const std::uint8_t* __restrict v,
                   std::uint8_t* __restrict bgr, int count) {
  colours(g, y, u, v, bgr, count);
}

__attribute__((target("avx2"))) void colours_vector(const YuvToBgr::Gains& g,
                                                    const std::uint8_t* __restrict y,
                                                    const std::uint8_t* __restrict u,
                                                    const std::uint8_t* __restrict v,
                                                    std::uint8_t* __restrict bgr, int count) {
  colours(g, y, u, v, bgr, count);
}

}  // namespace

YuvToBgr::YuvToBgr(YuvMatrix matrix, bool full_range, KernelForm form)
    : matrix_(matrix), full_range_(full_range), form_(form) {
  const double kr = matrix == YuvMatrix::Bt709 ? 0.2126 : 0.299;
  const double kb = matrix == YuvMatrix::Bt709 ? 0.0722 : 0.114;
  const double kg = 1.0 - kr - kb;
  // Luma 16-235 and colour differences 16-240 around 128 in limited range.
  const double chroma_gain = full_range ? 1.0 : 255.0 / 224.0;
  gains_.luma_black = full_range ? 0 : 16;
  gains_.luma = fixed(full_range ? 1.0 : 255.0 / 219.0);
  gains_.blue_u = fixed(2.0 * (1.0 - kb) * chroma_gain);
  gains_.green_u = fixed(-2.0 * kb * (1.0 - kb) / kg * chroma_gain);
  gains_.green_v = fixed(-2.0 * kr * (1.0 - kr) / kg * chroma_gain);
  gains_.red_v = fixed(2.0 * (1.0 - kr) * chroma_gain);
}

void YuvToBgr::convert_row(const std::uint8_t* y, const std::uint8_t* u, const std::uint8_t* v,
                           std::uint8_t* bgr, int width) const {
  if (form_ == KernelForm::Vector)
    colours_vector(gains_, y, u, v, bgr, width);
  else
    colours_plain(gains_, y, u, v, bgr, width);
}

}  // namespace zentrik
