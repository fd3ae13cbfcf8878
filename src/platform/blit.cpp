// Block copies between surface views.
#include "blit.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "pixel_convert.h"

namespace zentrik {
namespace {

bool same_colours(const SurfaceView& a, const SurfaceView& b) {
  return a.bitsPerPixel == b.bitsPerPixel && a.colours != nullptr && b.colours != nullptr &&
         a.colours->same_colours(*b.colours);
}

bool overlaps(const SurfaceView& dst, const SurfaceView& src, const BlitBlock& b) {
  if (dst.bits.data() != src.bits.data()) return false;
  return b.x < b.srcX + b.width && b.srcX < b.x + b.width && b.y < b.srcY + b.height &&
         b.srcY < b.y + b.height;
}

// Whole rows without padding, equal formats and row orders: the block is one run of bytes.
bool one_run(const SurfaceView& dst, const SurfaceView& src, const BlitBlock& b) {
  const bool plainCopy =
      src.bitsPerPixel == dst.bitsPerPixel &&
      (src.bitsPerPixel >= 24 || (src.bitsPerPixel == 8 && same_colours(src, dst)));
  return plainCopy && b.x == 0 && b.srcX == 0 && src.bottomUp == dst.bottomUp &&
         src.bits.stride() == dst.bits.stride() &&
         static_cast<std::ptrdiff_t>(b.width) * (src.bitsPerPixel / 8) == src.bits.stride();
}

void copy_rows(const SurfaceView& dst, const SurfaceView& src, const BlitBlock& b) {
  if (one_run(dst, src, b)) {
    // The block's first row in memory is its top row, or its bottom row when rows run upwards.
    const Long last = b.height - 1;
    std::memcpy(dst.row(dst.bottomUp ? b.y + last : b.y),
                src.row(src.bottomUp ? b.srcY + last : b.srcY),
                static_cast<std::size_t>(src.bits.stride()) * b.height);
    return;
  }
  const RowConverter convert =
      row_converter(src.bitsPerPixel, dst.bitsPerPixel, same_colours(src, dst));
  if (convert == nullptr) return;
  for (Long r = 0; r < b.height; ++r) {
    convert(src.row(b.srcY + r), b.srcX, dst.row(b.y + r), b.x, b.width, src.colours, dst.colours);
  }
}

}  // namespace

bool clip_block(BlitBlock& b, Long dstWidth, Long dstHeight, Long srcWidth, Long srcHeight) {
  std::int64_t x = b.x, y = b.y, w = b.width, h = b.height, sx = b.srcX, sy = b.srcY;
  if (x < 0) sx -= x, w += x, x = 0;
  if (y < 0) sy -= y, h += y, y = 0;
  if (sx < 0) x -= sx, w += sx, sx = 0;
  if (sy < 0) y -= sy, h += sy, sy = 0;
  w = std::min({w, dstWidth - x, srcWidth - sx});
  h = std::min({h, dstHeight - y, srcHeight - sy});
  if (w <= 0 || h <= 0) return false;
  b = {static_cast<Long>(x), static_cast<Long>(y),  static_cast<Long>(w),
       static_cast<Long>(h), static_cast<Long>(sx), static_cast<Long>(sy)};
  return true;
}

void copy_block(const SurfaceView& dst, const SurfaceView& src, const BlitBlock& block) {
  if (!overlaps(dst, src, block)) {
    copy_rows(dst, src, block);
    return;
  }
  // The source rows go to a buffer of their own first, so no pixel is read after it was written.
  const std::ptrdiff_t stride = src.bits.stride();
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * block.height);
  for (Long r = 0; r < block.height; ++r) {
    std::memcpy(rows.data() + r * stride, src.row(block.srcY + r),
                static_cast<std::size_t>(stride));
  }
  SurfaceView copy = src;
  copy.bits = ByteView(rows.data(), stride, block.height);
  copy.bottomUp = false;
  BlitBlock moved = block;
  moved.srcY = 0;
  copy_rows(dst, copy, moved);
}

}  // namespace zentrik
