// Scoped owners for short-lived graphics objects: a device context that is deleted, a bitmap
// that is deleted unless handed on, and a selection that is undone.
#pragma once

#include <utility>

#include "zentrik/platform/gdi.h"

namespace zentrik {

// Owns a device context from CreateDCA or CreateCompatibleDC.
class OwnedDc {
 public:
  explicit OwnedDc(HDC dc) : dc_(dc) {}
  ~OwnedDc() { reset(); }
  OwnedDc(const OwnedDc&) = delete;
  OwnedDc& operator=(const OwnedDc&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != 0; }
  void reset() {
    if (dc_ != 0) DeleteDC(dc_);
    dc_ = 0;
  }
  HDC release() { return std::exchange(dc_, 0); }

 private:
  HDC dc_;
};

// Owns a bitmap; release() hands it to a new owner (the clipboard, a picture).
class OwnedBitmap {
 public:
  explicit OwnedBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
  ~OwnedBitmap() {
    if (bitmap_ != 0) DeleteObject(bitmap_);
  }
  OwnedBitmap(const OwnedBitmap&) = delete;
  OwnedBitmap& operator=(const OwnedBitmap&) = delete;

  HBITMAP get() const { return bitmap_; }
  explicit operator bool() const { return bitmap_ != 0; }
  HBITMAP release() { return std::exchange(bitmap_, 0); }

 private:
  HBITMAP bitmap_;
};

// Selects an object into a device context and puts the previous one back when it goes.
// Declare it after the owners of the context and the object, so it is undone first.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelection() {
    if (previous_ != 0) SelectObject(dc_, previous_);
  }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

  bool selected() const { return previous_ != 0; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A memory device context compatible with the display, made as the imaging classes do it: open
// "DISPLAY", make a compatible context, delete the display context at once.
inline HDC display_compatible_dc() {
  OwnedDc display(CreateDCA("DISPLAY"));
  if (!display) return 0;
  return CreateCompatibleDC(display.get());
}

}  // namespace zentrik
