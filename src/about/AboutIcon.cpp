// Draws the About box icon pixel by pixel: body, viewfinder, lens with a highlight, red light.
#include "AboutIcon.h"

#include <array>
#include <cstdint>

namespace zentrik {
namespace {

constexpr Long kWidth = 32;
constexpr Long kHeight = 30;
constexpr Long kStride = dib_stride(kWidth, 24);

ColorRef icon_colour(Long x, Long y) {
  const Long dx = x - 15;
  const Long dy = y - 17;
  const Long lens = dx * dx + dy * dy;
  if (lens <= 4 && dx <= 0 && dy <= 0 && lens >= 1) return RGB(255, 255, 255);  // highlight
  if (lens <= 20) return RGB(0, 0, 128);                                        // glass
  if (lens <= 42) return RGB(192, 192, 192);                                    // lens ring
  if (x >= 24 && x <= 26 && y >= 11 && y <= 13) return RGB(255, 0, 0);          // light
  if (x >= 3 && x <= 28 && y >= 9 && y <= 25) return RGB(64, 64, 64);           // body
  if (x >= 8 && x <= 14 && y >= 5 && y <= 8) return RGB(64, 64, 64);            // viewfinder
  return RGB(255, 255, 255);                                                    // background
}

}  // namespace

void draw_about_icon(PictureBox& box) {
  std::array<std::uint8_t, kStride * kHeight> bits{};
  for (Long y = 0; y < kHeight; ++y) {
    std::uint8_t* row = bits.data() + (kHeight - 1 - y) * kStride;  // bottom-up rows
    for (Long x = 0; x < kWidth; ++x) {
      const ColorRef colour = icon_colour(x, y);
      row[3 * x] = GetBValue(colour);
      row[3 * x + 1] = GetGValue(colour);
      row[3 * x + 2] = GetRValue(colour);
    }
  }
  BitmapInfoHeader header;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biBitCount = 24;
  header.biSizeImage = static_cast<std::uint32_t>(bits.size());
  SetDIBitsToDevice(box.hDC(), 0, 0, kWidth, kHeight, bits.data(), header);
  box.SetPicture(box.Image());
}

}  // namespace zentrik
