// A snapshot of where an image's pixels lie, taken when a method lays its byte view over them;
// compared after every event so that a handler that remakes or frees the image cannot leave the
// method working on released memory.
#pragma once

#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/byte_view.h"

namespace zentrik {

struct ImageGeometry {
  const Byte* bits = nullptr;
  Long width = 0;
  Long height = 0;
  Long stride = 0;

  static ImageGeometry Of(const cDIBSection& image) {
    return {image.DIBSectionBitsPtr(), image.Width(), image.Height(), image.BytesPerScanLine()};
  }
  // True when the view can address every pixel (an image without pixels always can).
  bool Usable() const {
    if (width <= 0 || height <= 0) return true;
    return bits != nullptr && static_cast<std::int64_t>(stride) >= 3 * std::int64_t{width};
  }
  ByteView View(const cDIBSection& image) const {
    if (width <= 0 || height <= 0 || bits == nullptr) return {};
    return ByteView(image.DIBSectionBitsPtr(), stride, height);
  }
  friend bool operator==(const ImageGeometry&, const ImageGeometry&) = default;
};

}  // namespace zentrik
