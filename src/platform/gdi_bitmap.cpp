// Bitmaps: compatible bitmaps, DIB sections, selection, deletion and descriptions.
#include <cstring>
#include <new>

#include "gdi_table.h"

namespace zentrik {
namespace {

// The colour-table entries a paletted header needs, or -1 when the header is not one we make.
std::int64_t needed_colours(const BitmapInfoHeader& h) {
  if (h.biBitCount == 24) return 0;
  if (h.biBitCount != 8 && h.biBitCount != 4) return -1;
  const std::int64_t most = std::int64_t{1} << h.biBitCount;
  if (h.biClrUsed > most) return -1;
  return h.biClrUsed != 0 ? h.biClrUsed : most;
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC hdc, Long width, Long height) {
  GdiTable& table = GdiTable::instance();
  if (table.dc(hdc) == nullptr) return 0;
  return create_display_bitmap(table, width, height);
}

HBITMAP CreateDIBSection(HDC /*hdc: colour usage RGB needs no DC*/, const BitmapInfoHeader& header,
                         std::span<const RgbQuad> colours, Long usage, void** bits) {
  if (bits != nullptr) *bits = nullptr;
  if (usage != DIB_RGB_COLORS || header.biSize != sizeof(BitmapInfoHeader) ||
      header.biPlanes != 1 || header.biCompression != BI_RGB || header.biWidth <= 0 ||
      header.biHeight == 0 || header.biHeight == INT32_MIN) {
    return 0;
  }
  const std::int64_t colourCount = needed_colours(header);
  if (colourCount < 0 || static_cast<std::int64_t>(colours.size()) < colourCount) return 0;
  const std::int64_t height =
      header.biHeight < 0 ? -std::int64_t{header.biHeight} : header.biHeight;
  const std::int64_t stride = wide_stride(header.biWidth, header.biBitCount);
  if (stride * height > kMaxBitmapBytes) return 0;

  GdiTable& table = GdiTable::instance();
  const HBITMAP handle = table.add(GdiKind::Bitmap, true);
  if (handle == 0) return 0;
  BitmapObject& b = *table.bitmap(handle);
  try {
    b.pixels = table.acquire(static_cast<std::size_t>(stride * height));
    if (colourCount > 0) {
      b.colours =
          std::make_shared<const ColourTable>(colours.first(static_cast<std::size_t>(colourCount)));
    }
  } catch (const std::bad_alloc&) {
    table.remove(handle);
    return 0;
  }
  std::memset(b.pixels->bytes.get(), 0, b.pixels->size);
  b.width = header.biWidth;
  b.height = static_cast<Long>(height);
  b.bitsPerPixel = header.biBitCount;
  b.stride = static_cast<Long>(stride);
  b.bottomUp = header.biHeight > 0;
  b.dib = true;
  if (bits != nullptr) *bits = b.pixels->bytes.get();
  return handle;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  GdiTable& table = GdiTable::instance();
  if (table.kind(hdc) != GdiKind::MemoryDc) return 0;
  BitmapObject* b = table.bitmap(object);
  if (b == nullptr || b->window != 0 || b->clipboard) return 0;
  if (!b->stock && b->selectedIn != 0) return b->selectedIn == hdc ? object : 0;
  DcObject& dc = *table.dc(hdc);
  const HBITMAP previous = dc.selected;
  if (BitmapObject* p = table.bitmap(previous); p != nullptr && !p->stock) {
    p->selectedIn = 0;
    if (p->deletePending) destroy_bitmap(table, previous);
  }
  dc.selected = object;
  dc.target = b;
  if (!b->stock) b->selectedIn = hdc;
  return previous;
}

Boolean DeleteObject(HGDIOBJ object) {
  GdiTable& table = GdiTable::instance();
  const BitmapObject* b = table.bitmap(object);
  if (b == nullptr || b->stock || b->clipboard || b->window != 0 || b->selectedIn != 0) {
    return vbFalse;
  }
  destroy_bitmap(table, object);
  return vbTrue;
}

Long GetObjectA(HGDIOBJ object, Long size, void* out) {
  const BitmapObject* b = GdiTable::instance().bitmap(object);
  if (b == nullptr) return 0;
  if (out == nullptr) return sizeof(Bitmap);
  if (size <= 0) return 0;
  Bitmap description;
  description.bmType = 0;
  description.bmWidth = b->width;
  description.bmHeight = b->height;
  description.bmWidthBytes = b->stride;
  description.bmPlanes = 1;
  description.bmBitsPixel = static_cast<std::uint16_t>(b->bitsPerPixel);
  description.bmBits = b->dib ? b->pixels->bytes.get() : nullptr;
  const Long count = std::min<Long>(size, sizeof(Bitmap));
  std::memcpy(out, &description, static_cast<std::size_t>(count));
  return count;
}

}  // namespace zentrik
