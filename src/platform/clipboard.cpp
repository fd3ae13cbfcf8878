// The process's clipboard: a bitmap exchange that owns what it is given.
#include "zentrik/platform/clipboard.h"

#include "gdi_table.h"

namespace zentrik {
namespace {

void drop_bitmap(GdiTable& table, ClipboardState& clip) {
  if (clip.bitmap != 0) destroy_bitmap(table, clip.bitmap);
  clip.bitmap = 0;
}

}  // namespace

Boolean OpenClipboard(HWND /*owner*/) {
  ClipboardState& clip = GdiTable::instance().clipboard();
  if (clip.open || clip.busy) return vbFalse;
  clip.open = true;
  clip.emptied = false;
  return vbTrue;
}

Boolean EmptyClipboard() {
  GdiTable& table = GdiTable::instance();
  ClipboardState& clip = table.clipboard();
  if (!clip.open) return vbFalse;
  drop_bitmap(table, clip);
  clip.emptied = true;
  return vbTrue;
}

Handle SetClipboardData(Long format, Handle data) {
  GdiTable& table = GdiTable::instance();
  ClipboardState& clip = table.clipboard();
  if (!clip.open || !clip.emptied || format != CF_BITMAP) return 0;
  BitmapObject* b = table.bitmap(data);
  if (b == nullptr || b->stock || b->clipboard || b->window != 0 || b->selectedIn != 0) return 0;
  drop_bitmap(table, clip);
  b->clipboard = true;
  clip.bitmap = data;
  return data;
}

Boolean CloseClipboard() {
  ClipboardState& clip = GdiTable::instance().clipboard();
  if (!clip.open) return vbFalse;
  clip.open = false;
  clip.emptied = false;
  return vbTrue;
}

PicturePtr ClipboardGetData() {
  GdiTable& table = GdiTable::instance();
  const HBITMAP copy = copy_bitmap(table, table.clipboard().bitmap);
  return copy != 0 ? std::make_shared<Picture>(copy) : std::make_shared<Picture>();
}

void clipboard_set_busy(bool busy) {
  GdiTable::instance().clipboard().busy = busy;
}

}  // namespace zentrik
