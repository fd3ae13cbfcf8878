// Form objects the control is built from: picture box, label, rectangle shape. Positions and
// sizes are in twips (15 per pixel); colours are packed 0x00BBGGRR values.
#pragma once

#include <functional>
#include <string>

#include "zentrik/platform/gdi.h"
#include "zentrik/platform/picture.h"

namespace zentrik {

inline constexpr Long kTwipsPerPixel = 15;

// What every child control has: a place, a size and a visibility.
class FormControl {
 public:
  virtual ~FormControl() = default;
  Long Left() const { return left_; }
  Long Top() const { return top_; }
  Long Width() const { return width_; }
  Long Height() const { return height_; }
  bool Visible() const { return visible_; }
  void SetLeft(Long v) { left_ = v; }
  void SetTop(Long v) { top_ = v; }
  void SetWidth(Long v) { width_ = v; }
  void SetHeight(Long v) { height_ = v; }
  void SetVisible(bool v) { visible_ = v; }
  void Move(Long left, Long top, Long width, Long height);

 private:
  Long left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
};

// A picture box. Its device context draws on an off-screen surface of its size in pixels, which
// is always persistent: Image() returns what was drawn, and setting Picture paints the picture
// as the box's background, where GetPixel on the DC reads it. A picture of the box's own size
// in the display format is shown by sharing its pixels (copy-on-write), so handing frames from
// box to box costs no copy; drawing on either side later never shows on the other.
class PictureBox : public FormControl {
 public:
  // `widthPx` x `heightPx` is the drawable area.
  PictureBox(Long widthPx, Long heightPx, bool autoRedraw);
  ~PictureBox() override;
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  HDC hDC() const { return hdc_; }
  bool AutoRedraw() const { return autoRedraw_; }
  // The drawn image as a new picture object.
  PicturePtr Image() const;
  // The picture property (never null: an empty picture when nothing is set).
  PicturePtr Picture() const { return picture_; }
  // Sets the picture and paints it at the top left over the background colour.
  void SetPicture(PicturePtr picture);
  ColorRef BackColor() const { return backColor_; }
  // Clears the surface to the colour; the picture, if any, is painted over it again.
  void SetBackColor(ColorRef colour);

  // Pointer events: button, shift state, X and Y in twips.
  using MouseHandler = std::function<void(Integer button, Integer shift, float x, float y)>;
  void OnMouseDown(MouseHandler handler) { mouseDown_ = std::move(handler); }
  void MouseDown(Integer button, Integer shift, float x, float y);  // raised by the host

 private:
  bool autoRedraw_;
  HWND window_ = 0;
  HDC hdc_ = 0;
  ColorRef backColor_ = 0xFFFFFF;
  PicturePtr picture_;
  MouseHandler mouseDown_;
};

class Label : public FormControl {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  ColorRef ForeColor() const { return foreColor_; }
  ColorRef BackColor() const { return backColor_; }
  void SetForeColor(ColorRef c) { foreColor_ = c; }
  void SetBackColor(ColorRef c) { backColor_ = c; }

 private:
  std::string caption_;
  ColorRef foreColor_ = 0;
  ColorRef backColor_ = 0xFFFFFF;
};

// A rectangle outline.
class Shape : public FormControl {
 public:
  ColorRef BorderColor() const { return borderColor_; }
  void SetBorderColor(ColorRef c) { borderColor_ = c; }

 private:
  ColorRef borderColor_ = 0;
};

}  // namespace zentrik
