// Pixel transfer through device contexts: BitBlt, GetPixel and SetDIBitsToDevice.
#include "blit.h"
#include "gdi_table.h"
#include "pixel_convert.h"

namespace zentrik {
namespace {

// Copies a block into the bitmap of `dst`; the source view is fetched only after the target
// was made writable, since that may move a shared source's pixels.
template <typename SourceView>
Boolean blit_into(GdiTable& table, HDC dst, BlitBlock block, Long srcWidth, Long srcHeight,
                  bool sameBitmap, SourceView&& source) {
  BitmapObject* target = dc_bitmap(table, dst);
  if (target == nullptr || target->stock) return vbFalse;
  if (!clip_block(block, target->width, target->height, srcWidth, srcHeight)) return vbTrue;
  const bool whole = !sameBitmap && covers(block, target->width, target->height);
  const SurfaceView to = table.write_view(*target, whole);
  copy_block(to, source(), block);
  return vbTrue;
}

// A whole display-format bitmap onto another of its size: the target shares the source's pixels
// (copied on the first write to either), as pictures do, instead of copying them.
bool shares_whole(const BitmapObject& target, const BitmapObject& source, BlitBlock block) {
  if (&target == &source || target.stock || source.stock || target.dib || source.dib ||
      target.bitsPerPixel != 32 || source.bitsPerPixel != 32 || target.width != source.width ||
      target.height != source.height || target.bottomUp != source.bottomUp)
    return false;
  return clip_block(block, target.width, target.height, source.width, source.height) &&
         block.srcX == 0 && block.srcY == 0 && covers(block, target.width, target.height);
}

// True when the block of 24-bit pixels is what the display-format target shows already, so that
// painting it again would change nothing (a still camera's frame).
bool shows_already(GdiTable& table, BitmapObject& target, const SurfaceView& source,
                   BlitBlock block) {
  if (target.stock || target.bitsPerPixel != 32 || target.lazyZero) return false;
  if (!clip_block(block, target.width, target.height, source.width, source.height())) return false;
  const SurfaceView shown = table.read_view(target);
  const RowMatcher same = row_matcher_24_32();
  for (Long r = 0; r < block.height; ++r) {
    if (!same(source.row(block.srcY + r), block.srcX, shown.row(block.y + r), block.x, block.width))
      return false;
  }
  return true;
}

}  // namespace

Boolean BitBlt(HDC dst, Long x, Long y, Long width, Long height, HDC src, Long xSrc, Long ySrc,
               Long rop) {
  if (rop != SRCCOPY) return vbFalse;
  GdiTable& table = GdiTable::instance();
  BitmapObject* from = dc_bitmap(table, src);
  BitmapObject* to = dc_bitmap(table, dst);
  if (from == nullptr || to == nullptr) return vbFalse;
  if (shares_whole(*to, *from, {x, y, width, height, xSrc, ySrc})) {
    table.share_pixels(*to, *from);
    return vbTrue;
  }
  return blit_into(table, dst, {x, y, width, height, xSrc, ySrc}, from->width, from->height,
                   from == to, [&] { return table.read_view(*from); });
}

ColorRef GetPixel(HDC hdc, Long x, Long y) {
  const BitmapObject* b = dc_bitmap(GdiTable::instance(), hdc);
  if (b == nullptr || x < 0 || y < 0 || x >= b->width || y >= b->height) return CLR_INVALID;
  if (b->lazyZero) return 0;
  const std::uint8_t* row =
      b->pixels->bytes.get() +
      static_cast<std::ptrdiff_t>(b->bottomUp ? b->height - 1 - y : y) * b->stride;
  PackedPixel p;
  switch (b->bitsPerPixel) {
    case 32:
      p = pack_pixel(row[4 * x], row[4 * x + 1], row[4 * x + 2]);
      break;
    case 24:
      p = pack_pixel(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
      break;
    case 8:
      p = b->colours->packed()[row[x]];
      break;
    default:
      p = b->colours->packed()[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4];
      break;
  }
  return RGB(static_cast<Byte>(p >> 16), static_cast<Byte>(p >> 8), static_cast<Byte>(p));
}

Long SetDIBitsToDevice(HDC hdc, Long x, Long y, Long width, Long height, const void* bits,
                       const BitmapInfoHeader& header) {
  if (bits == nullptr || header.biSize != sizeof(BitmapInfoHeader) || header.biPlanes != 1 ||
      header.biBitCount != 24 || header.biCompression != BI_RGB || header.biWidth <= 0 ||
      header.biHeight == 0 || header.biHeight == INT32_MIN || width < 0 || height < 0) {
    return 0;
  }
  const Long rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  if (wide_stride(header.biWidth, 24) * rows > kMaxBitmapBytes) return 0;
  SurfaceView source;
  // The source is only read; the view type is shared with writable surfaces.
  source.bits = ByteView(static_cast<std::uint8_t*>(const_cast<void*>(bits)),
                         dib_stride(header.biWidth, 24), rows);
  source.bottomUp = header.biHeight > 0;
  source.width = header.biWidth;
  source.bitsPerPixel = 24;
  GdiTable& table = GdiTable::instance();
  BitmapObject* target = dc_bitmap(table, hdc);
  if (target != nullptr && shows_already(table, *target, source, {x, y, width, height, 0, 0}))
    return std::min(height, rows);
  const Boolean done = blit_into(table, hdc, {x, y, width, height, 0, 0}, header.biWidth, rows,
                                 false, [&] { return source; });
  return is_true(done) ? std::min(height, rows) : 0;
}

}  // namespace zentrik
