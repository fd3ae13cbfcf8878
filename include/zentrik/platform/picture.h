// Picture objects: a reference-counted holder of one bitmap, as hosts and picture boxes pass
// pictures around. The picture owns its bitmap and deletes it when the last reference goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zentrik/platform/gdi.h"

namespace zentrik {

class Picture {
 public:
  enum class Kind : Long { None = 0, Bitmap = 1 };

  // An empty picture (no bitmap), as a picture property holds before anything is drawn.
  Picture() = default;
  // Takes ownership of `bitmap`. When the picture goes while its bitmap is still selected into a
  // DC, the bitmap is deleted as soon as that DC lets go of it.
  explicit Picture(HBITMAP bitmap) : handle_(bitmap) {}
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  HBITMAP Handle() const { return handle_; }
  Kind Type() const { return handle_ ? Kind::Bitmap : Kind::None; }
  Long Width() const;   // pixels; 0 for an empty picture
  Long Height() const;  // pixels; 0 for an empty picture

 private:
  HBITMAP handle_ = 0;
};

using PicturePtr = std::shared_ptr<Picture>;

// Identifies the pixels a picture holds: two pictures with the same non-zero identity show the
// same pixels (a copy shares its source's until either is drawn on). 0 when there is nothing to
// compare (no bitmap, a DIB section, or a bitmap never drawn on).
std::uint64_t pixel_identity(const Picture& picture);

// A new picture holding a copy of the pixels of the bitmap currently selected into `hdc`
// (the picture-box "Image"), in the display format; an empty picture when there is none.
PicturePtr picture_from_dc(HDC hdc);

// Writes a picture as a 24-bit bottom-up bitmap file (the platform's picture saving), through a
// temporary file that replaces the target only when complete. Raises an automation error 75
// (source "Zentrik", description the system message) when the file cannot be written; the old
// file, if any, stays as it was. An empty picture raises 380 "Invalid property value".
void SavePicture(const Picture& picture, const std::string& fileName);

}  // namespace zentrik
