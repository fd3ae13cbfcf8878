// cColourReduceDIB: the common frame (views, column-major walk, events, copy back) and the
// per-pixel rules of GrayScale, BlackAndWhite and ApplyPalette.
#include "zentrik/colour/cColourReduceDIB.h"

#include <cstdlib>
#include <optional>

#include "grey_levels.h"
#include "image_geometry.h"
#include "module_source.h"
#include "zentrik/colour/ClosestIndexMap.h"
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
    const PaletteEntry* const entries = map->entries().data();
    Byte* from = source.Column(x);
    Byte* to = target.Column(x);
    for (Long y = 0; y <= lastRow; ++y, from += stride, to += target.Stride()) {
      const Byte red = from[2], green = from[1], blue = from[0];
      Long index = map->ClosestIndex(red, green, blue);
      // Every entry exactly 765 away: the nearest one stands in, and diffusion goes on from it.
      if (index == 0) index = map->NearestIndex(red, green, blue);
      const PaletteEntry& chosen = entries[index - 1];
      to[0] = chosen.blue;
      to[1] = chosen.green;
      to[2] = chosen.red;
      if (!diffuse) continue;
      const Long dRed = red - chosen.red;
      const Long dGreen = green - chosen.green;
      const Long dBlue = blue - chosen.blue;
      if (std::abs(dRed) + std::abs(dGreen) + std::abs(dBlue) <= 3) continue;
      if (x < lastX - 3) {
        Byte* right = from + 3;
        right[0] = Diffused(right[0], dBlue, 7);
        right[1] = Diffused(right[1], dGreen, 7);
        right[2] = Diffused(right[2], dRed, 7);
      }
      // Of the three pixels in the next row only the one straight below has a weight (4); the
      // diagonal ones have weight 0 and keep their values.
      if (y < lastRow && x > 0 && x < lastX) {
        Byte* below = from + stride;
        below[0] = Diffused(below[0], dBlue, 4);
        below[1] = Diffused(below[1], dGreen, 4);
        below[2] = Diffused(below[2], dRed, 4);
      }
    }
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
