// Picture objects: a reference-counted holder of one bitmap, as hosts and picture boxes pass
// pictures around. The picture owns its bitmap and deletes it when the last reference goes.
#pragma once

#include <memory>

#include "zentrik/platform/gdi.h"

namespace zentrik {

class Picture {
 public:
  enum class Kind : Long { None = 0, Bitmap = 1 };

  // An empty picture (no bitmap), as a picture property holds before anything is drawn.
  Picture() = default;
  // Takes ownership of `bitmap`.
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

// A new picture holding a copy of the pixels of the bitmap currently selected into `hdc`
// (the picture-box "Image"), in the display format; an empty picture when there is none.
PicturePtr picture_from_dc(HDC hdc);

// Writes a picture as a bitmap file (the platform's picture saving). Raises an automation error
// (75, Path/File access error, with the system message) when the file cannot be written; the old
// file, if any, stays as it was. Empty pictures raise 380-like invalid property value (5).
void SavePicture(const Picture& picture, const std::string& fileName);

}  // namespace zentrik
