// cColourReduceDIB: the common frame (views, column-major walk, events, copy back) and the
// per-pixel rules of GrayScale, BlackAndWhite and ApplyPalette.
#include "zentrik/colour/cColourReduceDIB.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "ClosestIndexMap.h"
#include "grey_levels.h"
#include "image_geometry.h"
#include "module_source.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/clock.h"

namespace zentrik {
namespace {

void Clamp(Long& value, Long minimum, Long maximum) {
  if (value < minimum)
    value = minimum;
  else if (value > maximum)
    value = maximum;
}

// The byte plus a share of an error, within 0..255. Integer division truncates toward zero.
Byte Diffused(Byte value, Long error, Long weight) {
  Long result = value + error * weight / 16;
  Clamp(result, 0, 255);
  return static_cast<Byte>(result);
}

Long ElapsedSince(Long start) {
  return static_cast<Long>(static_cast<std::uint32_t>(timeGetTime()) -
                           static_cast<std::uint32_t>(start));
}

[[noreturn]] void RaiseInvalid() {
  raise_error(errors::kInvalidProcedureCall, kReducerSource);
}

// One image under a byte view for the length of a call, with the check that an event handler
// did not remake it meanwhile.
class AttachedImage {
 public:
  explicit AttachedImage(const cDIBSection& image)
      : image_(image), geometry_(ImageGeometry::Of(image)) {
    if (!geometry_.Usable()) RaiseInvalid();
    view_ = geometry_.View(image);
  }
  void CheckUnchanged() const {
    if (!(ImageGeometry::Of(image_) == geometry_)) RaiseInvalid();
  }
  Byte* Column(Long x) const { return view_.data() + x; }
  std::ptrdiff_t Stride() const { return view_.stride(); }
  Long LastX() const { return geometry_.width > 0 ? 3 * geometry_.width - 3 : -3; }
  Long LastRow() const { return geometry_.height > 0 ? geometry_.height - 1 : -1; }
  bool Covers(const AttachedImage& other) const {
    return other.LastX() < 0 || other.LastRow() < 0 ||
           (geometry_.width >= other.geometry_.width && geometry_.height >= other.geometry_.height);
  }

 private:
  const cDIBSection& image_;
  ImageGeometry geometry_;
  ByteView view_;
};

// A colour as ClosestIndexMap gives it (blue | green << 8 | red << 16) into a pixel.
void Store(Byte* pixel, std::uint32_t colour) {
  const auto blueGreen = static_cast<std::uint16_t>(colour);
  std::memcpy(pixel, &blueGreen, 2);
  pixel[2] = static_cast<Byte>(colour >> 16);
}

// One column of ApplyPalette without diffusion. Column functions are kept out of line: in their
// own frame the compiler keeps the loop's values in registers.
[[gnu::noinline]] void MapColumn(ClosestIndexMap& map, const Byte* from, std::ptrdiff_t fromStride,
                                 Byte* to, std::ptrdiff_t toStride, Long lastRow) {
  for (Long y = 0; y <= lastRow; ++y, from += fromStride, to += toStride)
    Store(to, map.Nearest(from[2], from[1], from[0]).colour);
}

// The byte plus the share error * weight / 16 of an error, within 0..255.
inline Long Spread(Long value, Long error, Long weight) {
  const Long result = value + error * weight / 16;
  return result < 0 ? 0 : result > 255 ? 255 : result;
}

// 7/16 of each channel's error (pixel colour minus chosen colour, both as blue | green << 8 |
// red << 16) into the pixel at `right`. The vector form reads and writes four bytes: the fourth,
// the next pixel's blue, is written back unchanged.
void SpreadRight(Byte* right, std::uint32_t pixel, std::uint32_t chosen) {
#if defined(__SSE2__)
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
#else
  for (int channel = 0; channel < 3; ++channel) {
    const int shift = 8 * channel;
    const Long error =
        static_cast<Long>((pixel >> shift) & 0xFFu) - static_cast<Long>((chosen >> shift) & 0xFFu);
    right[channel] = static_cast<Byte>(Spread(right[channel], error, 7));
  }
#endif
}

// The three bytes of a pixel as blue | green << 8 | red << 16 (the order of Store).
std::uint32_t Load(const Byte* pixel) {
  return std::uint32_t{pixel[0]} | (std::uint32_t{pixel[1]} << 8) | (std::uint32_t{pixel[2]} << 16);
}

// The next row's pixel plus 4/16 of each channel's error (pixel - chosen), each within 0..255.
std::uint32_t SpreadBelow(std::uint32_t below, std::uint32_t pixel, std::uint32_t chosen) {
  std::uint32_t result = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const Long error =
        static_cast<Long>((pixel >> shift) & 0xFFu) - static_cast<Long>((chosen >> shift) & 0xFFu);
    result |= static_cast<std::uint32_t>(Spread((below >> shift) & 0xFFu, error, 4)) << shift;
  }
  return result;
}

// One step of a diffusing column: the chosen colour, its distance, and what the next row's
// pixel becomes with 4/16 of the error.
struct Step {
  std::uint32_t chosen;
  std::uint32_t distance;
  std::uint32_t next;
};

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

// The step for a colour whose cell has slots. Each pixel of a column waits for the one before
// it, so the next row's pixel is worked out for all four slot colours beside the comparison,
// and the comparison only picks one.
#if defined(__SSE2__)
[[gnu::always_inline]] inline Step SlotStep(const std::uint32_t* colours, std::uint32_t cell,
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
#else
[[gnu::always_inline]] inline Step SlotStep(const std::uint32_t* colours, std::uint32_t cell,
                                            std::uint32_t pixel, std::uint32_t below) {
  const std::uint32_t key =
      ClosestIndexMap::SlotKeyPlain(colours[cell & 0xFFu], colours[(cell >> 8) & 0xFFu],
                                    colours[(cell >> 16) & 0xFFu], colours[cell >> 24], pixel);
  const std::uint32_t chosen = colours[(cell >> (8 * (key & 3u))) & 0xFFu];
  return {chosen, key >> 2, SpreadBelow(below, pixel, chosen)};
}
#endif

// The step for a colour whose cell is not built yet or has no slots.
[[gnu::noinline, gnu::cold]] Step SlowStep(ClosestIndexMap& map, std::uint32_t pixel,
                                           std::uint32_t below) {
  const auto red = static_cast<Byte>(pixel >> 16), green = static_cast<Byte>(pixel >> 8),
             blue = static_cast<Byte>(pixel);
  const std::uint32_t cell = map.SlotWord(red, green, blue);
  if (cell != 0) return SlotStep(map.SlotColours(), cell, pixel, below);
  const ClosestIndexMap::Match match = map.Nearest(red, green, blue);
  return {match.colour, match.distance, SpreadBelow(below, pixel, match.colour)};
}

// One column of ApplyPalette with diffusion: 7/16 of each channel's error to the right neighbour
// when kRight, 4/16 to the pixel in the next row when kBelow (the diagonal neighbours have
// weight 0 and keep their values). The next pixel is carried over in registers. A pixel that
// passes nothing on (distance 3 or less) takes the same steps without a branch: its share to the
// right is measured from its own colour, which makes it 0.
template <bool kRight, bool kBelow>
[[gnu::noinline]] void DiffuseColumn(ClosestIndexMap& map, Byte* from, std::ptrdiff_t fromStride,
                                     Byte* to, std::ptrdiff_t toStride, Long lastRow) {
  if (lastRow < 0) return;
  const std::uint32_t* const colours = map.SlotColours();
  std::uint32_t pixel = Load(from);
  for (Long y = 0;; ++y, from += fromStride, to += toStride) {
    const bool last = y == lastRow;
    Byte* const next = last ? nullptr : from + fromStride;
    const std::uint32_t below = last ? 0 : Load(next);
    const auto red = static_cast<Byte>(pixel >> 16), green = static_cast<Byte>(pixel >> 8),
               blue = static_cast<Byte>(pixel);
    const std::uint32_t cell = map.ReadySlotWord(red, green, blue);
    const Step step =
        cell != 0 ? SlotStep(colours, cell, pixel, below) : SlowStep(map, pixel, below);
    Store(to, step.chosen);
    const bool passes = step.distance > 3;
    if constexpr (kRight) SpreadRight(from + 3, pixel, passes ? step.chosen : pixel);
    if (last) break;
    if constexpr (kBelow) {
      // A pixel within 3 of its colour passes nothing on; each channel's error is then at most 3,
      // whose 4/16 truncates to 0: step.next is already `below`.
      pixel = step.next;
      Store(next, pixel);
    } else {
      pixel = below;
    }
  }
}

}  // namespace

void cColourReduceDIB::GrayScale(cDIBSection& cTo) {
  const Long start = timeGetTime();
  const AttachedImage target(cTo);
  const GreyLevels& grey = GreyLevels::Table();
  const Long lastX = target.LastX();
  const Long lastRow = target.LastRow();
  RaiseInitProgress(lastX);
  for (Long x = 0; x <= lastX; x += 3) {
    Byte* pixel = target.Column(x);
    for (Long y = 0; y <= lastRow; ++y, pixel += target.Stride()) {
      const Byte value = grey.Of(pixel[2], pixel[1], pixel[0]);
      pixel[0] = pixel[1] = pixel[2] = value;
    }
    RaiseProgress(x);
    target.CheckUnchanged();
  }
  RaiseComplete(ElapsedSince(start));
}

void cColourReduceDIB::BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo) {
  const Long start = timeGetTime();
  {
    const AttachedImage source(cFrom);
    const AttachedImage target(cTo);
    if (!source.Covers(target)) RaiseInvalid();
  }
  GrayScale(cFrom);

  const AttachedImage source(cFrom);
  const AttachedImage target(cTo);
  if (!source.Covers(target)) RaiseInvalid();
  const Long lastX = target.LastX();
  const Long lastRow = target.LastRow();
  const std::ptrdiff_t stride = source.Stride();
  RaiseInitProgress(lastX);
  for (Long x = 0; x <= lastX; x += 3) {
    Byte* from = source.Column(x);
    Byte* to = target.Column(x);
    for (Long y = 0; y <= lastRow; ++y, from += stride, to += target.Stride()) {
      const Long v = from[0];
      Long error;
      if (v <= 128) {
        to[0] = to[1] = to[2] = 0;
        error = v > 16 ? v : 0;
      } else {
        to[0] = to[1] = to[2] = 255;
        error = v - 255;
      }
      if (x < lastX - 3) {
        Byte* right = from + 3;
        right[0] = right[1] = right[2] = Diffused(right[0], error, 7);
      }
      if (y < lastRow) {
        static constexpr Long kWeights[3] = {3, 5, 1};
        for (Long k = -3, w = 0; k <= 3; k += 3, ++w) {
          if (x + k <= 0 || x + k >= lastX) continue;
          Byte* below = from + stride + k;
          below[0] = below[1] = below[2] = Diffused(below[0], error, kWeights[w]);
        }
      }
    }
    RaiseProgress(x);
    source.CheckUnchanged();
    target.CheckUnchanged();
  }
  cFrom.LoadPictureBlt(cTo.hdc(), 0, 0, -1, -1, SRCCOPY);
  RaiseComplete(ElapsedSince(start));
}

void cColourReduceDIB::ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, cPalette& cPal,
                                    Boolean bDiffuseError) {
  const Long start = timeGetTime();
  if (cPal.Count() == 0) RaiseInvalid();
  const AttachedImage source(cFrom);
  const AttachedImage target(cTo);
  if (!source.Covers(target)) RaiseInvalid();
  std::optional<ClosestIndexMap> map(std::in_place, cPal.entries());

  const Long lastX = target.LastX();
  const Long lastRow = target.LastRow();
  const std::ptrdiff_t stride = source.Stride();
  const bool diffuse = is_true(bDiffuseError);
  RaiseInitProgress(lastX);
  for (Long x = 0; x <= lastX; x += 3) {
    // Which neighbours a column passes errors to: the last two columns pass nothing to the
    // right; the first and the last column pass nothing below.
    const bool right = x<lastX - 3, below = x> 0 && x < lastX;
    Byte* const from = source.Column(x);
    Byte* const to = target.Column(x);
    if (diffuse && right && below)
      DiffuseColumn<true, true>(*map, from, stride, to, target.Stride(), lastRow);
    else if (diffuse && right)
      DiffuseColumn<true, false>(*map, from, stride, to, target.Stride(), lastRow);
    else if (diffuse && below)
      DiffuseColumn<false, true>(*map, from, stride, to, target.Stride(), lastRow);
    else if (diffuse)
      DiffuseColumn<false, false>(*map, from, stride, to, target.Stride(), lastRow);
    else
      MapColumn(*map, from, stride, to, target.Stride(), lastRow);
    RaiseProgress(x);
    source.CheckUnchanged();
    target.CheckUnchanged();
    // A handler may have changed the palette: later pixels use it as it now stands.
    if (!map->Matches(cPal.entries())) {
      if (cPal.Count() == 0) RaiseInvalid();
      map.emplace(cPal.entries());
    }
  }
  cFrom.LoadPictureBlt(cTo.hdc(), 0, 0, -1, -1, SRCCOPY);
  RaiseComplete(ElapsedSince(start));
}

}  // namespace zentrik
