// The kernel of palette mapping with error diffusion: one pixel's step against the four slot
// colours of its ClosestIndexMap cell, and the share of its error passed to the right neighbour.
// Each has a vector form (SSE2) and a plain form; both are always compiled and tested equal.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ClosestIndexMap.h"
#include "zentrik/platform/automation.h"

namespace zentrik::diffusion {

// Colours here are as ClosestIndexMap gives them: blue | green << 8 | red << 16.

// The byte plus the share error * weight / 16 of an error (truncated toward zero), within 0..255.
inline Long Spread(Long value, Long error, Long weight) {
  const Long result = value + error * weight / 16;
  return result < 0 ? 0 : result > 255 ? 255 : result;
}

// The three bytes of a pixel as one colour.
inline std::uint32_t Load(const Byte* pixel) {
  return std::uint32_t{pixel[0]} | (std::uint32_t{pixel[1]} << 8) | (std::uint32_t{pixel[2]} << 16);
}

// The next row's pixel plus 4/16 of each channel's error (pixel - chosen), each within 0..255.
inline std::uint32_t SpreadBelow(std::uint32_t below, std::uint32_t pixel, std::uint32_t chosen) {
  std::uint32_t result = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const Long error =
        static_cast<Long>((pixel >> shift) & 0xFFu) - static_cast<Long>((chosen >> shift) & 0xFFu);
    result |= static_cast<std::uint32_t>(Spread((below >> shift) & 0xFFu, error, 4)) << shift;
  }
  return result;
}

// 7/16 of each channel's error (pixel - chosen) into the pixel at `right`.
inline void SpreadRightPlain(Byte* right, std::uint32_t pixel, std::uint32_t chosen) {
  for (int channel = 0; channel < 3; ++channel) {
    const int shift = 8 * channel;
    const Long error =
        static_cast<Long>((pixel >> shift) & 0xFFu) - static_cast<Long>((chosen >> shift) & 0xFFu);
    right[channel] = static_cast<Byte>(Spread(right[channel], error, 7));
  }
}

// One step of a diffusing column: the chosen colour, its distance, and what the next row's
// pixel becomes with 4/16 of the error.
struct Step {
  std::uint32_t chosen;
  std::uint32_t distance;
  std::uint32_t next;
};

// The step for a colour whose cell has slots: `cell` holds four slot numbers into `colours`.
inline Step SlotStepPlain(const std::uint32_t* colours, std::uint32_t cell, std::uint32_t pixel,
                          std::uint32_t below) {
  const std::uint32_t key =
      ClosestIndexMap::SlotKeyPlain(colours[cell & 0xFFu], colours[(cell >> 8) & 0xFFu],
                                    colours[(cell >> 16) & 0xFFu], colours[cell >> 24], pixel);
  const std::uint32_t chosen = colours[(cell >> (8 * (key & 3u))) & 0xFFu];
  return {chosen, key >> 2, SpreadBelow(below, pixel, chosen)};
}

#if defined(__SSE2__)
// The vector form reads and writes four bytes: the fourth, the next pixel's blue, is written back
// unchanged.
inline void SpreadRightVector(Byte* right, std::uint32_t pixel, std::uint32_t chosen) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i error =
      _mm_sub_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixel)), zero),
                    _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(chosen)), zero));
  // error * 7 / 16 truncated toward zero: negative products are raised by 15 before the shift.
  __m128i share = _mm_mullo_epi16(error, _mm_set1_epi16(7));
  share = _mm_srai_epi16(
      _mm_add_epi16(share, _mm_and_si128(_mm_srai_epi16(share, 15), _mm_set1_epi16(15))), 4);
  std::uint32_t bytes;
  std::memcpy(&bytes, right, 4);
  const __m128i sum =
      _mm_add_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bytes)), zero), share);
  bytes = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(sum, zero)));
  std::memcpy(right, &bytes, 4);
}

// A slot colour's distance, the value that goes with it and its position among the four; of two
// the second when strictly nearer, so that at equal distance the earlier slot (lower entry)
// stays. Masks rather than branches: which one wins is unpredictable.
struct Choice {
  std::uint32_t distance;
  std::uint32_t value;
  std::uint32_t position;
};
inline Choice Nearer(const Choice& a, const Choice& b) {
  const std::uint32_t second = 0u - static_cast<std::uint32_t>(b.distance < a.distance);
  return {a.distance ^ ((a.distance ^ b.distance) & second),
          a.value ^ ((a.value ^ b.value) & second),
          a.position ^ ((a.position ^ b.position) & second)};
}

// Each pixel of a column waits for the one before it, so the next row's pixel is worked out for
// all four slot colours beside the comparison, and the comparison only picks one.
[[gnu::always_inline]] inline Step SlotStepVector(const std::uint32_t* colours, std::uint32_t cell,
                                                  std::uint32_t pixel, std::uint32_t below) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c0 = _mm_loadu_si32(colours + (cell & 0xFFu));
  const __m128i c1 = _mm_loadu_si32(colours + ((cell >> 8) & 0xFFu));
  const __m128i c2 = _mm_loadu_si32(colours + ((cell >> 16) & 0xFFu));
  const __m128i c3 = _mm_loadu_si32(colours + (cell >> 24));
  // One colour in each 64-bit half, so that each sum of absolute byte differences is one
  // distance; packed twice, the four distances lie in the low 64 bits, 16 bits each.
  const __m128i low = _mm_unpacklo_epi64(c0, c1), high = _mm_unpacklo_epi64(c2, c3);
  const __m128i query = _mm_set1_epi64x(static_cast<long long>(pixel));
  const __m128i distances = _mm_packs_epi32(_mm_sad_epu8(low, query), _mm_sad_epu8(high, query));
  const auto d = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_packs_epi32(distances, zero)));
  // The next pixel for each slot colour: below + (pixel - colour) * 4 / 16 per channel,
  // truncated toward zero, within 0..255. In bytes: of pixel - colour saturated at 0 either
  // way, one part is 0 and the other is |error|; |error| / 4 rounded down is the truncated
  // share, added to or taken from `below` with saturation, which is the clamp to 0..255.
  const __m128i below2 = _mm_set1_epi64x(static_cast<long long>(below));
  const __m128i quarters = _mm_set1_epi8(0x3F);
  const auto nextsOf = [&](__m128i pair) {
    const __m128i up = _mm_and_si128(_mm_srli_epi16(_mm_subs_epu8(query, pair), 2), quarters);
    const __m128i down = _mm_and_si128(_mm_srli_epi16(_mm_subs_epu8(pair, query), 2), quarters);
    return _mm_subs_epu8(_mm_adds_epu8(below2, up), down);
  };
  // 32-bit lanes n0 n1 n2 n3 (the lanes between the colours are all 0 and left out).
  const __m128i nexts = _mm_castps_si128(_mm_shuffle_ps(
      _mm_castsi128_ps(nextsOf(low)), _mm_castsi128_ps(nextsOf(high)), _MM_SHUFFLE(2, 0, 2, 0)));
  const auto n01 = static_cast<std::uint64_t>(_mm_cvtsi128_si64(nexts));
  const auto n23 = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(nexts, nexts)));
  const auto low16 = [](std::uint64_t v, int shift) {
    return static_cast<std::uint32_t>(v >> shift) & 0xFFFFu;
  };
  const Choice nearest = Nearer(Nearer({low16(d, 0), static_cast<std::uint32_t>(n01), 0},
                                       {low16(d, 16), static_cast<std::uint32_t>(n01 >> 32), 1}),
                                Nearer({low16(d, 32), static_cast<std::uint32_t>(n23), 2},
                                       {low16(d, 48), static_cast<std::uint32_t>(n23 >> 32), 3}));
  return {colours[(cell >> (8 * nearest.position)) & 0xFFu], nearest.distance, nearest.value};
}
#endif

// The forms the reducer uses: the vector ones where the machine has them.
[[gnu::always_inline]] inline Step SlotStep(const std::uint32_t* colours, std::uint32_t cell,
                                            std::uint32_t pixel, std::uint32_t below) {
#if defined(__SSE2__)
  return SlotStepVector(colours, cell, pixel, below);
#else
  return SlotStepPlain(colours, cell, pixel, below);
#endif
}
inline void SpreadRight(Byte* right, std::uint32_t pixel, std::uint32_t chosen) {
#if defined(__SSE2__)
  SpreadRightVector(right, pixel, chosen);
#else
  SpreadRightPlain(right, pixel, chosen);
#endif
}

}  // namespace zentrik::diffusion
