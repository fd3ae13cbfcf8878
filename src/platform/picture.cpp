// Picture objects: ownership of their bitmap, their size, and pictures taken from a DC.
#include "zentrik/platform/picture.h"

#include "gdi_table.h"

namespace zentrik {
namespace {

Bitmap describe(HBITMAP bitmap) {
  Bitmap description;
  if (bitmap == 0 || GetObjectA(bitmap, sizeof(description), &description) == 0) return {};
  return description;
}

}  // namespace

Picture::~Picture() {
  if (handle_ == 0) return;
  GdiTable& table = GdiTable::instance();
  BitmapObject* b = table.bitmap(handle_);
  if (b == nullptr || b->clipboard) return;  // gone, or handed to the clipboard meanwhile
  if (b->selectedIn != 0) {
    b->deletePending = true;  // deleted when the DC lets go of it
    return;
  }
  DeleteObject(handle_);
}

Long Picture::Width() const {
  return describe(handle_).bmWidth;
}
Long Picture::Height() const {
  return describe(handle_).bmHeight;
}

std::uint64_t pixel_identity(const Picture& picture) {
  GdiTable& table = GdiTable::instance();
  const BitmapObject* b = table.bitmap(picture.Handle());
  return b != nullptr ? table.pixel_identity(*b) : 0;
}

PicturePtr picture_from_dc(HDC hdc) {
  GdiTable& table = GdiTable::instance();
  const DcObject* dc = table.dc(hdc);
  const BitmapObject* b = dc ? table.bitmap(dc->selected) : nullptr;
  if (b == nullptr || b->stock) return std::make_shared<Picture>();
  return std::make_shared<Picture>(copy_bitmap(table, dc->selected));
}

}  // namespace zentrik
