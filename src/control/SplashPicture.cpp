// Paints the splash screen into a 24-bit buffer with a small 5 x 7 capital-letter font, then
// makes a picture of it in the display format.
#include "SplashPicture.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zentrik {
namespace {

// Rows of a glyph, top first; bit 4 is the leftmost of the five columns.
struct Glyph {
  char c;
  std::array<std::uint8_t, 7> rows;
};

constexpr Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'@', {0x0E, 0x11, 0x17, 0x15, 0x17, 0x10, 0x0E}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
};

const Glyph* glyph(char c) {
  for (const Glyph& g : kFont)
    if (g.c == c) return &g;
  return nullptr;  // a blank
}

class Canvas {
 public:
  Canvas(Long width, Long height)
      : width_(width),
        height_(height),
        stride_(dib_stride(width, 24)),
        bits_(static_cast<std::size_t>(stride_ * height), 0xFF) {}

  void pixel(Long x, Long y, ColorRef colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* p = bits_.data() + (height_ - 1 - y) * stride_ + 3 * x;  // bottom-up rows
    p[0] = GetBValue(colour);
    p[1] = GetGValue(colour);
    p[2] = GetRValue(colour);
  }
  void rect(Long x, Long y, Long w, Long h, ColorRef colour) {
    for (Long j = y; j < y + h; ++j)
      for (Long i = x; i < x + w; ++i) pixel(i, j, colour);
  }
  void disc(Long cx, Long cy, Long r, ColorRef colour) {
    for (Long j = -r; j <= r; ++j)
      for (Long i = -r; i <= r; ++i)
        if (i * i + j * j <= r * r) pixel(cx + i, cy + j, colour);
  }
  // Capital letters, `scale` pixels per font dot, 6 dots per character.
  void text(Long x, Long y, std::string_view line, Long scale, ColorRef colour) {
    for (char c : line) {
      if (const Glyph* g = glyph(c)) {
        for (Long row = 0; row < 7; ++row)
          for (Long col = 0; col < 5; ++col)
            if (g->rows[static_cast<std::size_t>(row)] & (0x10 >> col))
              rect(x + col * scale, y + row * scale, scale, scale, colour);
      }
      x += 6 * scale;
    }
  }
  void centred(Long y, std::string_view line, Long scale, ColorRef colour, Long areaWidth) {
    text((areaWidth - static_cast<Long>(line.size()) * 6 * scale) / 2, y, line, scale, colour);
  }

  PicturePtr picture() const {
    const HDC dc = CreateCompatibleDC(0);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, width_, height_);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    BitmapInfoHeader header;
    header.biWidth = width_;
    header.biHeight = height_;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<std::uint32_t>(bits_.size());
    SetDIBitsToDevice(dc, 0, 0, width_, height_, bits_.data(), header);
    SelectObject(dc, old);
    DeleteDC(dc);
    return std::make_shared<Picture>(bitmap);
  }

 private:
  Long width_, height_, stride_;
  std::vector<std::uint8_t> bits_;
};

}  // namespace

PicturePtr make_splash_picture() {
  constexpr ColorRef kNavy = RGB(0, 0, 128), kGrey = RGB(64, 64, 64);
  constexpr ColorRef kSilver = RGB(192, 192, 192), kRed = RGB(255, 0, 0);
  constexpr Long kSplash = 320;
  Canvas canvas(kBackgroundWidth, kBackgroundHeight);
  // Banner and title.
  canvas.rect(0, 0, kSplash, 44, kNavy);
  canvas.rect(0, 44, kSplash, 3, kRed);
  canvas.centred(8, "ZENTRIK", 4, RGB(255, 255, 255), kSplash);
  canvas.centred(56, "CAMERA WATCHER CONTROL", 2, kNavy, kSplash);
  // The camera.
  canvas.rect(110, 88, 100, 62, kGrey);
  canvas.rect(128, 78, 26, 12, kGrey);
  canvas.disc(160, 119, 24, kSilver);
  canvas.disc(160, 119, 17, kNavy);
  canvas.disc(153, 112, 4, RGB(255, 255, 255));
  canvas.rect(192, 94, 10, 8, kRed);
  // Contact and disclaimer lines.
  canvas.centred(164, "(C) 2026 ZENTRIK DEVELOPERS", 1, kGrey, kSplash);
  canvas.centred(176, "ZENTRIK@EXAMPLE.ORG", 1, kGrey, kSplash);
  canvas.centred(188, "NO WARRANTY - USE AT YOUR OWN RISK", 1, kGrey, kSplash);
  // Operating-system marks: four tiles and a penguin-black square.
  const ColorRef tiles[] = {RGB(242, 80, 34), RGB(127, 186, 0), RGB(0, 164, 239), RGB(255, 185, 0)};
  for (Long i = 0; i < 4; ++i)
    canvas.rect(124 + (i % 2) * 11, 206 + (i / 2) * 11, 10, 10, tiles[i]);
  canvas.rect(170, 206, 21, 21, RGB(0, 0, 0));
  canvas.rect(175, 212, 11, 13, RGB(255, 255, 255));
  canvas.rect(176, 224, 9, 3, RGB(255, 185, 0));
  return canvas.picture();
}

}  // namespace zentrik
