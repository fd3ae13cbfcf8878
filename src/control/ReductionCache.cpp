// The reduction cache: whole buffers compared byte for byte, row padding included (a difference
// there only costs a conversion).
#include "ReductionCache.h"

#include <algorithm>
#include <cstring>

#include "zentrik/imaging/cDIBSection.h"

namespace zentrik {
namespace {

std::size_t byte_count(const cDIBSection& image) {
  if (image.DIBSectionBitsPtr() == nullptr || image.Width() <= 0 || image.Height() <= 0) return 0;
  return static_cast<std::size_t>(image.BytesPerScanLine()) *
         static_cast<std::size_t>(image.Height());
}

}  // namespace

bool ReductionCache::same_shape(const cDIBSection& image) const {
  return image.Width() == width_ && image.Height() == height_ &&
         image.BytesPerScanLine() == stride_;
}

bool ReductionCache::restore(cDIBSection& image, Long depth) const {
  const std::size_t bytes = byte_count(image);
  if (!valid_ || bytes == 0 || depth != depth_ || !same_shape(image)) return false;
  Byte* bits = image.DIBSectionBitsPtr();
  if (std::memcmp(bits, input_.data(), bytes) != 0) return false;
  std::memcpy(bits, result_.data(), bytes);
  return true;
}

void ReductionCache::begin(const cDIBSection& image, Long depth) {
  valid_ = false;
  identity_ = 0;
  const std::size_t bytes = byte_count(image);
  pending_ = bytes != 0;
  if (!pending_) return;
  depth_ = depth;
  width_ = image.Width();
  height_ = image.Height();
  stride_ = image.BytesPerScanLine();
  const Byte* bits = image.DIBSectionBitsPtr();
  input_.assign(bits, bits + bytes);
}

void ReductionCache::finish(const cDIBSection& image, bool converted) {
  const bool keep = pending_ && converted && same_shape(image) && byte_count(image) != 0;
  pending_ = false;
  if (!keep) return;
  const Byte* bits = image.DIBSectionBitsPtr();
  result_.assign(bits, bits + input_.size());
  valid_ = true;
}

}  // namespace zentrik
