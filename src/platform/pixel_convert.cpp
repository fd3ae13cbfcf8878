// Row converters: plain copies for equal formats, direct loops for the common pairs and a
// chunked path through packed pixels for the rest.
#include "pixel_convert.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <span>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZENTRIK_BYTE_SHUFFLES 1
#endif

namespace zentrik {
namespace {

static_assert(std::endian::native == std::endian::little,
              "packed pixels are read as blue, green, red bytes");

constexpr Long kChunk = 256;

Byte index4(const std::uint8_t* row, Long x) {
  // The even pixel of a byte is its high nibble.
  return static_cast<Byte>((row[x >> 1] >> ((~x & 1) << 2)) & 0x0F);
}

void put_index4(std::uint8_t* row, Long x, Byte index) {
  std::uint8_t& b = row[x >> 1];
  b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F))
              : static_cast<std::uint8_t>((b & 0x0F) | (index << 4));
}

template <Long Bits>
PackedPixel read_pixel(const std::uint8_t* row, Long x, const PackedPixel* palette) {
  if constexpr (Bits == 32) {
    const std::uint8_t* p = row + 4 * x;
    return pack_pixel(p[0], p[1], p[2]);
  } else if constexpr (Bits == 24) {
    const std::uint8_t* p = row + 3 * x;
    return pack_pixel(p[0], p[1], p[2]);
  } else if constexpr (Bits == 8) {
    return palette[row[x]];
  } else {
    return palette[index4(row, x)];
  }
}

template <Long Bits>
void write_pixel(std::uint8_t* row, Long x, PackedPixel p) {
  std::uint8_t* out = row + (Bits / 8) * x;
  out[0] = static_cast<std::uint8_t>(p);
  out[1] = static_cast<std::uint8_t>(p >> 8);
  out[2] = static_cast<std::uint8_t>(p >> 16);
  if constexpr (Bits == 32) out[3] = 0;
}

const PackedPixel* palette_of(const ColourTable* colours) {
  return colours != nullptr ? colours->packed().data() : nullptr;
}

// Equal formats: the bytes as they are.
template <Long Bits>
void copy_bytes(const std::uint8_t* src, Long srcX, std::uint8_t* dst, Long dstX, Long count,
                const ColourTable*, const ColourTable*) {
  std::memcpy(dst + dstX * (Bits / 8), src + srcX * (Bits / 8),
              static_cast<std::size_t>(count) * (Bits / 8));
}

void copy_nibbles(const std::uint8_t* src, Long srcX, std::uint8_t* dst, Long dstX, Long count,
                  const ColourTable*, const ColourTable*) {
  if ((srcX & 1) != (dstX & 1)) {
    for (Long i = 0; i < count; ++i) put_index4(dst, dstX + i, index4(src, srcX + i));
    return;
  }
  Long i = 0;
  if (srcX & 1) put_index4(dst, dstX, index4(src, srcX)), i = 1;
  const Long pairs = (count - i) / 2;
  std::memcpy(dst + ((dstX + i) >> 1), src + ((srcX + i) >> 1), static_cast<std::size_t>(pairs));
  i += 2 * pairs;
  if (i < count) put_index4(dst, dstX + i, index4(src, srcX + i));
}

std::uint32_t load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void store32(std::uint8_t* p, std::uint32_t v) {
  std::memcpy(p, &v, sizeof v);
}

// 24 to 32 bits, four pixels (three words in, four out) at a time.
void widen_24_to_32(const std::uint8_t* src, Long srcX, std::uint8_t* dst, Long dstX, Long count,
                    const ColourTable*, const ColourTable*) {
  const std::uint8_t* in = src + 3 * srcX;
  std::uint8_t* out = dst + 4 * dstX;
  Long i = 0;
  for (; i + 4 <= count; i += 4, in += 12, out += 16) {
    const std::uint32_t w0 = load32(in), w1 = load32(in + 4), w2 = load32(in + 8);
    store32(out, w0 & 0xFFFFFF);
    store32(out + 4, (w0 >> 24) | ((w1 & 0xFFFF) << 8));
    store32(out + 8, (w1 >> 16) | ((w2 & 0xFF) << 16));
    store32(out + 12, w2 >> 8);
  }
  for (; i < count; ++i, in += 3, out += 4) store32(out, pack_pixel(in[0], in[1], in[2]));
}

// 32 to 24 bits, four pixels (four words in, three out) at a time.
void narrow_32_to_24(const std::uint8_t* src, Long srcX, std::uint8_t* dst, Long dstX, Long count,
                     const ColourTable*, const ColourTable*) {
  const std::uint8_t* in = src + 4 * srcX;
  std::uint8_t* out = dst + 3 * dstX;
  Long i = 0;
  for (; i + 4 <= count; i += 4, in += 16, out += 12) {
    const std::uint32_t p0 = load32(in), p1 = load32(in + 4), p2 = load32(in + 8),
                        p3 = load32(in + 12);
    store32(out, (p0 & 0xFFFFFF) | (p1 << 24));
    store32(out + 4, ((p1 >> 8) & 0xFFFF) | (p2 << 16));
    store32(out + 8, ((p2 >> 16) & 0xFF) | (p3 << 8));
  }
  for (; i < count; ++i, in += 4, out += 3) {
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
  }
}

// Whether 24-bit pixels equal 32-bit ones, whose fourth bytes do not count.
bool same_24_as_32(const std::uint8_t* src, Long srcX, const std::uint8_t* dst, Long dstX,
                   Long count) {
  const std::uint8_t* in = src + 3 * srcX;
  const std::uint8_t* out = dst + 4 * dstX;
  for (Long i = 0; i < count; ++i, in += 3, out += 4) {
    if (in[0] != out[0] || in[1] != out[1] || in[2] != out[2]) return false;
  }
  return true;
}

#ifdef ZENTRIK_BYTE_SHUFFLES
constexpr std::uint32_t kColourBytes = 0x00FFFFFF;

__attribute__((target("ssse3"))) bool same_24_as_32_shuffled(const std::uint8_t* src, Long srcX,
                                                             const std::uint8_t* dst, Long dstX,
                                                             Long count) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourBytes));
  const std::uint8_t* in = src + 3 * srcX;
  const std::uint8_t* out = dst + 4 * dstX;
  Long i = 0;
  for (; i + 6 <= count; i += 4, in += 12, out += 16) {
    const __m128i wide =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), spread);
    const __m128i shown =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out)), colour);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(wide, shown)) != 0xFFFF) return false;
  }
  return same_24_as_32(src, srcX + i, dst, dstX + i, count - i);
}

// The same two conversions four pixels to a shuffle. A step reads and writes 16 bytes, so the
// shuffles run while at least 16 bytes of the block lie ahead on both sides (the spare bytes a
// narrowing step writes are overwritten by the next); the plain loops finish the row.
__attribute__((target("ssse3"))) void widen_24_to_32_shuffled(const std::uint8_t* src, Long srcX,
                                                              std::uint8_t* dst, Long dstX,
                                                              Long count, const ColourTable*,
                                                              const ColourTable*) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const std::uint8_t* in = src + 3 * srcX;
  std::uint8_t* out = dst + 4 * dstX;
  Long i = 0;
  for (; i + 6 <= count; i += 4, in += 12, out += 16) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(pixels, spread));
  }
  widen_24_to_32(src, srcX + i, dst, dstX + i, count - i, nullptr, nullptr);
}

__attribute__((target("ssse3"))) void narrow_32_to_24_shuffled(const std::uint8_t* src, Long srcX,
                                                               std::uint8_t* dst, Long dstX,
                                                               Long count, const ColourTable*,
                                                               const ColourTable*) {
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const std::uint8_t* in = src + 4 * srcX;
  std::uint8_t* out = dst + 3 * dstX;
  Long i = 0;
  for (; i + 6 <= count; i += 4, in += 16, out += 12) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(pixels, pack));
  }
  narrow_32_to_24(src, srcX + i, dst, dstX + i, count - i, nullptr, nullptr);
}
#endif

// Out of a paletted row into a 32- or 24-bit one: a word per pixel through the packed colours.
// At 24 bits each word's fourth byte is overwritten by the next pixel; the last pixel is
// written byte by byte so nothing beyond the block changes.
template <Long SrcBits, Long DstBits>
void expand_paletted(const std::uint8_t* src, Long srcX, std::uint8_t* dst, Long dstX, Long count,
                     const ColourTable* srcColours, const ColourTable*) {
  if (count <= 0) return;
  constexpr Long kStep = DstBits / 8;
  const PackedPixel* palette = srcColours->packed().data();
  std::uint8_t* out = dst + kStep * dstX;
  Long i = 0;
  if constexpr (SrcBits == 8) {
    for (; i + 1 < count; ++i, out += kStep) store32(out, palette[src[srcX + i]]);
  } else {
    if ((srcX & 1) && i + 1 < count) {
      store32(out, palette[index4(src, srcX)]);
      ++i, out += kStep;
    }
    // Whole bytes, two pixels each, while at least one pixel follows them.
    for (; i + 2 < count; i += 2, out += 2 * kStep) {
      const std::uint8_t pair = src[(srcX + i) >> 1];
      store32(out, palette[pair >> 4]);
      store32(out + kStep, palette[pair & 0x0F]);
    }
    for (; i + 1 < count; ++i, out += kStep) store32(out, palette[index4(src, srcX + i)]);
  }
  const Long last = srcX + count - 1;
  write_pixel<DstBits>(out, 0, palette[SrcBits == 8 ? src[last] : index4(src, last)]);
}

// Packs indices into a 4-bit row.
void put_indices4(std::uint8_t* dst, Long dstX, std::span<const Byte> indices) {
  Long x = dstX;
  std::size_t i = 0;
  if ((x & 1) && i < indices.size()) put_index4(dst, x++, indices[i++]);
  for (; i + 1 < indices.size(); i += 2, x += 2) {
    dst[x >> 1] = static_cast<std::uint8_t>((indices[i] << 4) | (indices[i + 1] & 0x0F));
  }
  if (i < indices.size()) put_index4(dst, x, indices[i]);
}

// Out of a 32- or 24-bit row into a paletted one: the nearest entries, straight from the bytes.
template <Long SrcBits, Long DstBits>
void map_direct(const std::uint8_t* src, Long srcX, std::uint8_t* dst, Long dstX, Long count,
                const ColourTable*, const ColourTable* dstColours) {
  constexpr std::size_t kStep = SrcBits / 8;
  const NearestColourMap& map = dstColours->map();
  const std::uint8_t* first = src + kStep * srcX;
  if constexpr (DstBits == 8) {
    map.map_pixels({first, kStep * count}, kStep, {dst + dstX, static_cast<std::size_t>(count)});
  } else {
    std::array<Byte, kChunk> indices;
    for (Long done = 0; done < count; done += kChunk) {
      const Long n = std::min(kChunk, count - done);
      map.map_pixels({first + kStep * done, kStep * n}, kStep,
                     {indices.data(), static_cast<std::size_t>(n)});
      put_indices4(dst, dstX + done, {indices.data(), static_cast<std::size_t>(n)});
    }
  }
}

// Between paletted rows with different colours: through packed pixels, chunk by chunk.
template <Long SrcBits, Long DstBits>
void map_paletted(const std::uint8_t* src, Long srcX, std::uint8_t* dst, Long dstX, Long count,
                  const ColourTable* srcColours, const ColourTable* dstColours) {
  const PackedPixel* palette = palette_of(srcColours);
  const NearestColourMap& map = dstColours->map();
  std::array<PackedPixel, kChunk> pixels;
  std::array<Byte, kChunk> indices;
  for (Long done = 0; done < count; done += kChunk) {
    const Long n = std::min(kChunk, count - done);
    for (Long i = 0; i < n; ++i) pixels[i] = read_pixel<SrcBits>(src, srcX + done + i, palette);
    const std::span<const Byte> bytes{reinterpret_cast<const Byte*>(pixels.data()),
                                      static_cast<std::size_t>(n) * sizeof(PackedPixel)};
    map.map_pixels(bytes, 4, {indices.data(), static_cast<std::size_t>(n)});
    if constexpr (DstBits == 8) {
      std::memcpy(dst + dstX + done, indices.data(), static_cast<std::size_t>(n));
    } else {
      put_indices4(dst, dstX + done, {indices.data(), static_cast<std::size_t>(n)});
    }
  }
}

RowConverter widening(RowKernels kernels) {
#ifdef ZENTRIK_BYTE_SHUFFLES
  if (kernels == RowKernels::Shuffled) return widen_24_to_32_shuffled;
#endif
  (void)kernels;
  return widen_24_to_32;
}

RowConverter narrowing(RowKernels kernels) {
#ifdef ZENTRIK_BYTE_SHUFFLES
  if (kernels == RowKernels::Shuffled) return narrow_32_to_24_shuffled;
#endif
  (void)kernels;
  return narrow_32_to_24;
}

}  // namespace

RowMatcher row_matcher_24_32(RowKernels kernels) {
#ifdef ZENTRIK_BYTE_SHUFFLES
  if (kernels == RowKernels::Shuffled) return same_24_as_32_shuffled;
#endif
  (void)kernels;
  return same_24_as_32;
}

namespace {

template <Long SrcBits>
RowConverter converter_from(Long dstBits, bool sameColours, RowKernels kernels) {
  constexpr bool kSrcPaletted = SrcBits <= 8;
  switch (dstBits) {
    case 32:
      if constexpr (SrcBits == 32) return copy_bytes<32>;
      if constexpr (SrcBits == 24) return widening(kernels);
      return expand_paletted<SrcBits, 32>;
    case 24:
      if constexpr (SrcBits == 24) return copy_bytes<24>;
      if constexpr (SrcBits == 32) return narrowing(kernels);
      return expand_paletted<SrcBits, 24>;
    case 8:
      if constexpr (kSrcPaletted) {
        if (SrcBits == 8 && sameColours) return copy_bytes<8>;
        return map_paletted<SrcBits, 8>;
      } else {
        return map_direct<SrcBits, 8>;
      }
    case 4:
      if constexpr (kSrcPaletted) {
        if (SrcBits == 4 && sameColours) return copy_nibbles;
        return map_paletted<SrcBits, 4>;
      } else {
        return map_direct<SrcBits, 4>;
      }
    default:
      return nullptr;
  }
}

}  // namespace

RowKernels best_row_kernels() {
#ifdef ZENTRIK_BYTE_SHUFFLES
  static const RowKernels kernels =
      __builtin_cpu_supports("ssse3") ? RowKernels::Shuffled : RowKernels::Plain;
  return kernels;
#else
  return RowKernels::Plain;
#endif
}

RowConverter row_converter(Long srcBits, Long dstBits, bool sameColours, RowKernels kernels) {
  switch (srcBits) {
    case 32:
      return converter_from<32>(dstBits, sameColours, kernels);
    case 24:
      return converter_from<24>(dstBits, sameColours, kernels);
    case 8:
      return converter_from<8>(dstBits, sameColours, kernels);
    case 4:
      return converter_from<4>(dstBits, sameColours, kernels);
    default:
      return nullptr;
  }
}

}  // namespace zentrik
