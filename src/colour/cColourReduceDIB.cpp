// cColourReduceDIB: the common frame (views, column-major walk, events, copy back) and the
// per-pixel rules of GrayScale, BlackAndWhite and ApplyPalette.
#include "zentrik/colour/cColourReduceDIB.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "ClosestIndexMap.h"
#include "DiffusionStep.h"
#include "grey_levels.h"
#include "image_geometry.h"
#include "module_source.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/clock.h"

namespace zentrik {
namespace {

using diffusion::Load;
using diffusion::SlotStep;
using diffusion::SpreadBelow;
using diffusion::SpreadRight;
using diffusion::Step;

// The byte plus a share of an error, within 0..255 (the rule of the palette mapping's diffusion).
Byte Diffused(Byte value, Long error, Long weight) {
  return static_cast<Byte>(diffusion::Spread(value, error, weight));
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
