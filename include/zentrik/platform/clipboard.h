// The clipboard: one per process, a bitmap exchange. Once SetClipboardData accepts a bitmap the
// clipboard owns it (and deletes it when emptied). GetData hands back a copy as a picture.
#pragma once

#include "zentrik/platform/gdi.h"
#include "zentrik/platform/picture.h"

namespace zentrik {

inline constexpr Long CF_BITMAP = 2;

Boolean OpenClipboard(HWND owner);  // False while it is open already
Boolean EmptyClipboard();           // needs the clipboard open
// Needs the clipboard open and emptied by this opener; accepts CF_BITMAP bitmaps that are not
// selected into a DC. Returns the handle on success (the clipboard now owns it), 0 on failure.
Handle SetClipboardData(Long format, Handle data);
Boolean CloseClipboard();

// The clipboard object's get-data: a new picture with a copy of the bitmap on the clipboard,
// or an empty picture when it holds none.
PicturePtr ClipboardGetData();

// For tests: make the next OpenClipboard fail (another program holds it).
void clipboard_set_busy(bool busy);

}  // namespace zentrik
