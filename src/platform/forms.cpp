// Form objects: placement of child controls and the picture box's drawing surface.
#include "zentrik/platform/forms.h"

#include "blit.h"
#include "gdi_table.h"

namespace zentrik {
namespace {

void fill(const SurfaceView& view, ColorRef colour) {
  const std::uint8_t pixel[4] = {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
  for (Long y = 0; y < view.height(); ++y) {
    std::uint8_t* row = view.row(y);
    for (Long x = 0; x < view.width; ++x) {
      row[4 * x] = pixel[0];
      row[4 * x + 1] = pixel[1];
      row[4 * x + 2] = pixel[2];
      row[4 * x + 3] = pixel[3];
    }
  }
}

// Paints `picture` at the top left of a window's surface over `background`. A display-format
// picture of the surface's own size covers it all, so the surface simply shares its pixels.
void paint(HWND window, const Picture& picture, ColorRef background) {
  GdiTable& table = GdiTable::instance();
  const WindowObject* w = table.window(window);
  if (w == nullptr) return;
  BitmapObject& surface = *table.bitmap(w->surface);
  BitmapObject* image = table.bitmap(picture.Handle());
  if (image != nullptr && !image->dib && image->bitsPerPixel == 32 &&
      image->width == surface.width && image->height == surface.height) {
    table.share_pixels(surface, *image);
    return;
  }
  const SurfaceView view = table.write_view(surface, true);
  fill(view, background);
  if (image == nullptr) return;
  BlitBlock block{0, 0, image->width, image->height, 0, 0};
  if (clip_block(block, surface.width, surface.height, image->width, image->height)) {
    copy_block(view, table.read_view(*image), block);
  }
}

}  // namespace

void FormControl::Move(Long left, Long top, Long width, Long height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

PictureBox::PictureBox(Long widthPx, Long heightPx, bool autoRedraw)
    : autoRedraw_(autoRedraw), picture_(std::make_shared<zentrik::Picture>()) {
  SetWidth(widthPx * kTwipsPerPixel);
  SetHeight(heightPx * kTwipsPerPixel);
  window_ = CreateWindowSurface(widthPx, heightPx);
  hdc_ = GetDC(window_);
  paint(window_, *picture_, backColor_);
}

PictureBox::~PictureBox() {
  if (window_ != 0) DestroyWindow(window_);
}

PicturePtr PictureBox::Image() const {
  return picture_from_dc(hdc_);
}

void PictureBox::SetPicture(PicturePtr picture) {
  picture_ = picture ? std::move(picture) : std::make_shared<zentrik::Picture>();
  paint(window_, *picture_, backColor_);
}

void PictureBox::SetBackColor(ColorRef colour) {
  backColor_ = colour;
  paint(window_, *picture_, backColor_);
}

void PictureBox::MouseDown(Integer button, Integer shift, float x, float y) {
  if (mouseDown_) mouseDown_(button, shift, x, y);
}

}  // namespace zentrik
