// The graphics object table, its pixel pool and the shared bitmap helpers.
#include "gdi_table.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "blit.h"

namespace zentrik {
namespace {

constexpr std::uint16_t kGenerations = 2047;  // 11 bits: handles stay positive
// Blocks kept for reuse. Sanitizer builds keep none, so that a stale bits address of a deleted
// DIB section is caught as a use after free instead of landing in another bitmap's pixels.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kPoolBlocks = 0;
#else
constexpr std::size_t kPoolBlocks = 8;
#endif

}  // namespace

GdiTable& GdiTable::instance() {
  // Never destroyed, so pictures and boxes that outlive main() can still let go of handles.
  static GdiTable* table = new GdiTable;
  return *table;
}

Handle GdiTable::add(GdiKind kind, bool counted) {
  std::uint32_t index;
  if (!freeSlots_.empty()) {
    index = freeSlots_.back();
    freeSlots_.pop_back();
  } else {
    if (size_ >= kIndexMask) return 0;
    if ((size_ & (kChunkSize - 1)) == 0) {
      chunks_.push_back(std::make_unique<std::array<Slot, kChunkSize>>());
    }
    index = size_++;
  }
  Slot& s = at(index);
  s.kind = kind;
  s.counted = counted;
  if (counted) ++counted_;
  return static_cast<Handle>((static_cast<std::uint32_t>(s.generation) << kIndexBits) |
                             (index + 1));
}

void GdiTable::remove(Handle handle) {
  Slot* s = slot(handle);
  if (s == nullptr) return;
  release(s->bitmap.pixels);
  s->bitmap = {};
  s->dc = {};
  s->window = {};
  s->kind = GdiKind::Free;
  if (s->counted) --counted_;
  s->counted = false;
  s->generation = static_cast<std::uint16_t>(s->generation % kGenerations + 1);
  freeSlots_.push_back((static_cast<std::uint32_t>(handle) & kIndexMask) - 1);
}

HBITMAP GdiTable::stock_bitmap() {
  if (stock_ == 0) {
    stock_ = create_display_bitmap(*this, 1, 1, false);
    BitmapObject& b = *bitmap(stock_);
    read_view(b);
    b.stock = true;
  }
  return stock_;
}

PixelBlockPtr GdiTable::acquire(std::size_t size) {
  const auto found = std::find_if(pool_.begin(), pool_.end(),
                                  [size](const PixelBlockPtr& b) { return b->size == size; });
  if (found != pool_.end()) {
    PixelBlockPtr block = std::move(*found);
    pool_.erase(found);
    restamp(*block);
    return block;
  }
  auto block = std::make_shared<PixelBlock>();
  block->bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  block->size = size;
  restamp(*block);
  return block;
}

void GdiTable::release(PixelBlockPtr& block) {
  if constexpr (kPoolBlocks == 0) {
    block.reset();
    return;
  }
  if (block && block.use_count() == 1) {
    if (pool_.size() >= kPoolBlocks) pool_.erase(pool_.begin());
    pool_.push_back(std::move(block));
  }
  block.reset();
}

SurfaceView GdiTable::view_of(const BitmapObject& b) {
  SurfaceView view;
  view.bits = ByteView(b.pixels->bytes.get(), b.stride, b.height);
  view.bottomUp = b.bottomUp;
  view.width = b.width;
  view.bitsPerPixel = b.bitsPerPixel;
  view.colours = b.colours.get();
  return view;
}

SurfaceView GdiTable::read_view(BitmapObject& b) {
  if (b.lazyZero) {
    std::memset(b.pixels->bytes.get(), 0, b.pixels->size);
    b.lazyZero = false;
  }
  return view_of(b);
}

SurfaceView GdiTable::write_view(BitmapObject& b, bool wholeSurface) {
  if (b.pixels.use_count() > 1) {
    PixelBlockPtr own = acquire(b.pixels->size);
    if (!wholeSurface) std::memcpy(own->bytes.get(), b.pixels->bytes.get(), own->size);
    b.pixels = std::move(own);
  }
  if (b.lazyZero && !wholeSurface) std::memset(b.pixels->bytes.get(), 0, b.pixels->size);
  b.lazyZero = false;
  restamp(*b.pixels);
  return view_of(b);
}

std::uint64_t GdiTable::pixel_identity(const BitmapObject& b) const {
  if (b.dib || b.lazyZero || !b.pixels) return 0;
  return b.pixels->stamp;
}

void GdiTable::share_pixels(BitmapObject& target, const BitmapObject& source) {
  if (target.pixels == source.pixels) return;
  if (source.lazyZero) {
    write_view(target, true);
    target.lazyZero = true;
    return;
  }
  PixelBlockPtr shared = source.pixels;
  release(target.pixels);
  target.pixels = std::move(shared);
  target.lazyZero = false;
}

void destroy_bitmap(GdiTable& table, HBITMAP handle) {
  table.remove(handle);
}

HBITMAP create_display_bitmap(GdiTable& table, Long width, Long height, bool counted) {
  if (width <= 0 || height <= 0) return 0;
  const std::int64_t stride = wide_stride(width, 32);
  if (stride * height > kMaxBitmapBytes) return 0;
  const HBITMAP handle = table.add(GdiKind::Bitmap, counted);
  if (handle == 0) return 0;
  BitmapObject& b = *table.bitmap(handle);
  try {
    b.pixels = table.acquire(static_cast<std::size_t>(stride * height));
  } catch (const std::bad_alloc&) {
    table.remove(handle);
    return 0;
  }
  b.width = width;
  b.height = height;
  b.bitsPerPixel = 32;
  b.stride = static_cast<Long>(stride);
  b.lazyZero = true;
  return handle;
}

HBITMAP copy_bitmap(GdiTable& table, HBITMAP source) {
  BitmapObject* src = table.bitmap(source);
  if (src == nullptr) return 0;
  const HBITMAP handle = create_display_bitmap(table, src->width, src->height);
  if (handle == 0) return 0;
  BitmapObject& dst = *table.bitmap(handle);
  if (!src->dib && src->bitsPerPixel == 32) {
    table.share_pixels(dst, *src);
  } else {
    const SurfaceView from = table.read_view(*src);
    const SurfaceView to = table.write_view(dst, true);
    copy_block(to, from, {0, 0, src->width, src->height, 0, 0});
  }
  return handle;
}

}  // namespace zentrik
