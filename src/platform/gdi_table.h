// The graphics objects behind the handles: one table of device contexts, bitmaps and windows
// (O(1) lookup, generation bits against stale handles), the pixel buffers that display-format
// bitmaps share copy-on-write, the pool that recycles them, and the clipboard's state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "colour_table.h"
#include "surface_view.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {

enum class GdiKind : std::uint8_t { Free, Bitmap, MemoryDc, DisplayDc, WindowDc, Window };

// A block of pixel bytes. Display-format bitmaps may share one; DIB sections never do.
struct PixelBlock {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size = 0;
  // Renewed from one counter whenever the block is handed out or opened for writing, so that an
  // unchanged stamp means unchanged bytes (DIB sections, written through their bits address,
  // aside).
  std::uint64_t stamp = 0;
};
using PixelBlockPtr = std::shared_ptr<PixelBlock>;

struct BitmapObject {
  Long width = 0;
  Long height = 0;  // positive; `bottomUp` gives the row order
  Long bitsPerPixel = 32;
  Long stride = 0;
  bool bottomUp = false;
  bool dib = false;            // a DIB section: its bits address is public and never moves
  bool lazyZero = false;       // display pixels still to be cleared before the first read
  bool stock = false;          // the placeholder of new memory DCs: never deleted, never written
  bool clipboard = false;      // owned by the clipboard
  bool deletePending = false;  // its owner let go while it was selected: deleted on release
  PixelBlockPtr pixels;
  std::shared_ptr<const ColourTable> colours;
  HDC selectedIn = 0;  // memory DC holding it (not tracked for the stock bitmap)
  HWND window = 0;     // the window whose surface it is
};

struct DcObject {
  HBITMAP selected = 0;  // memory and window DCs
  // The selected bitmap's object (slots never move; a selected bitmap is never removed).
  BitmapObject* target = nullptr;
  HWND window = 0;  // window DCs
};

struct WindowObject {
  HBITMAP surface = 0;
  HDC dc = 0;
};

struct ClipboardState {
  bool open = false;
  bool emptied = false;  // EmptyClipboard ran since this opening
  bool busy = false;     // another program holds it (tests)
  HBITMAP bitmap = 0;    // owned
};

class GdiTable {
 public:
  static GdiTable& instance();

  // A new object of `kind`; `counted` objects appear in gdi_object_count(). 0 when full.
  Handle add(GdiKind kind, bool counted);
  void remove(Handle handle);
  GdiKind kind(Handle handle) const {
    const Slot* s = slot(handle);
    return s ? s->kind : GdiKind::Free;
  }
  BitmapObject* bitmap(Handle handle) {
    Slot* s = slot(handle);
    return s && s->kind == GdiKind::Bitmap ? &s->bitmap : nullptr;
  }
  DcObject* dc(Handle handle) {  // any kind of DC
    Slot* s = slot(handle);
    return s && (s->kind == GdiKind::MemoryDc || s->kind == GdiKind::DisplayDc ||
                 s->kind == GdiKind::WindowDc)
               ? &s->dc
               : nullptr;
  }
  WindowObject* window(Handle handle) {
    Slot* s = slot(handle);
    return s && s->kind == GdiKind::Window ? &s->window : nullptr;
  }
  std::size_t counted() const { return counted_; }

  HBITMAP stock_bitmap();

  // A pixel block of `size` bytes, recycled when possible; contents undefined.
  PixelBlockPtr acquire(std::size_t size);
  // Lets go of a block: back into the pool when nobody else holds it.
  void release(PixelBlockPtr& block);

  // The pixels of a bitmap for reading (clears pending zeros first).
  SurfaceView read_view(BitmapObject& bitmap);
  // The pixels of a bitmap for writing: a shared block is first copied (or, when the write will
  // cover every pixel, replaced without copying) so that no other bitmap sees the change.
  SurfaceView write_view(BitmapObject& bitmap, bool wholeSurface);
  // Identifies the pixels of a display-format bitmap: equal non-zero values mean equal pixels.
  // 0 for DIB sections and bitmaps still to be cleared.
  std::uint64_t pixel_identity(const BitmapObject& bitmap) const;
  // Makes `target` show the same pixels as `source` (both display format, same size) by sharing.
  void share_pixels(BitmapObject& target, const BitmapObject& source);

  ClipboardState& clipboard() { return clipboard_; }

 private:
  struct Slot {
    std::uint16_t generation = 1;
    GdiKind kind = GdiKind::Free;
    bool counted = false;
    BitmapObject bitmap;
    DcObject dc;
    WindowObject window;
  };

  // Handles: generation above the index bits, slot index + 1 below (never 0, always positive).
  static constexpr int kIndexBits = 20;
  static constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;
  static constexpr int kChunkBits = 8;  // slots live in chunks that never move
  static constexpr std::uint32_t kChunkSize = 1u << kChunkBits;

  GdiTable() = default;
  Slot& at(std::uint32_t index) {
    return (*chunks_[index >> kChunkBits])[index & (kChunkSize - 1)];
  }
  const Slot* slot(Handle handle) const {
    const auto raw = static_cast<std::uint32_t>(handle);
    const std::uint32_t index = (raw & kIndexMask) - 1;
    if (handle <= 0 || (raw & kIndexMask) == 0 || index >= size_) return nullptr;
    const Slot& s = (*chunks_[index >> kChunkBits])[index & (kChunkSize - 1)];
    if (s.kind == GdiKind::Free || s.generation != (raw >> kIndexBits)) return nullptr;
    return &s;
  }
  Slot* slot(Handle handle) {
    return const_cast<Slot*>(static_cast<const GdiTable*>(this)->slot(handle));
  }
  static SurfaceView view_of(const BitmapObject& bitmap);

  void restamp(PixelBlock& block) { block.stamp = ++stamps_; }

  std::vector<PixelBlockPtr> pool_;  // declared first: outlives the slots' blocks
  std::uint64_t stamps_ = 0;
  std::vector<std::unique_ptr<std::array<Slot, kChunkSize>>> chunks_;
  std::uint32_t size_ = 0;  // slots in use or on the free list
  std::vector<std::uint32_t> freeSlots_;
  std::size_t counted_ = 0;
  HBITMAP stock_ = 0;
  ClipboardState clipboard_;
};

// Releases a bitmap that is no longer selected anywhere: removes it and recycles its pixels.
void destroy_bitmap(GdiTable& table, HBITMAP handle);

// Largest pixel buffer a bitmap may have: larger requests fail as the platform's do.
inline constexpr std::int64_t kMaxBitmapBytes = std::int64_t{256} << 20;

// Row stride without overflow for any width: dib_stride for sizes that may be absurd.
constexpr std::int64_t wide_stride(Long width, Long bitsPerPixel) {
  return ((static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

// A new display-format bitmap, zero-filled (lazily); 0 for bad or absurd sizes.
HBITMAP create_display_bitmap(GdiTable& table, Long width, Long height, bool counted = true);

// A new counted display-format bitmap with the pixels of `source` (shared when `source` is a
// display-format bitmap too, converted otherwise); 0 when `source` is not a bitmap.
HBITMAP copy_bitmap(GdiTable& table, HBITMAP source);

// The bitmap a DC draws on (its selection, or its window's surface); nullptr for the display DC.
inline BitmapObject* dc_bitmap(GdiTable& table, HDC dc) {
  const DcObject* d = table.dc(dc);
  return d ? d->target : nullptr;
}

}  // namespace zentrik
