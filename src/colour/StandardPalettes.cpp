// cPalette's standard palettes: black and white, the 16 standard colours, the halftone cube and
// the web-safe palette.
#include <array>

#include "zentrik/colour/cPalette.h"

namespace zentrik {
namespace {

// Rows 2 to 8 and 9 to 16 of the 16-colour table.
constexpr std::array<PaletteEntry, 7> kDarkColours{{{128, 0, 0, 0},
                                                    {0, 128, 0, 0},
                                                    {128, 128, 0, 0},
                                                    {0, 0, 128, 0},
                                                    {128, 0, 128, 0},
                                                    {0, 128, 128, 0},
                                                    {192, 192, 192, 0}}};
constexpr std::array<PaletteEntry, 8> kBrightColours{{{128, 128, 128, 0},
                                                      {255, 0, 0, 0},
                                                      {0, 255, 0, 0},
                                                      {255, 255, 0, 0},
                                                      {0, 0, 255, 0},
                                                      {255, 0, 255, 0},
                                                      {0, 255, 255, 0},
                                                      {255, 255, 255, 0}}};

// The eight colours that entries 1 and 248 to 255 of the web-safe palette already hold.
bool SkippedCubeColour(int red, int green, int blue) {
  const int sum = red + green + blue;
  const int zeros = (red == 0) + (green == 0) + (blue == 0);
  return sum == 0 || sum == 765 || (sum == 510 && zeros >= 1) || (sum == 255 && zeros >= 2);
}

}  // namespace

void cPalette::SetDarkColours(Long first) {
  for (std::size_t i = 0; i < kDarkColours.size(); ++i)
    entries_[static_cast<std::size_t>(first) + i] = kDarkColours[i];  // entry first + 1 + i
}

void cPalette::SetBrightColours(Long first) {
  for (std::size_t i = 0; i < kBrightColours.size(); ++i)
    entries_[static_cast<std::size_t>(first - 1) + i] = kBrightColours[i];  // entry first + i
}

void cPalette::CreateMono() {
  ResetTo(2);
  entries_[1] = PaletteEntry{255, 255, 255, 0};
}

void cPalette::Create16Colour() {
  ResetTo(16);
  SetDarkColours(1);
  SetBrightColours(9);
}

void cPalette::CreateHalfTone() {
  ResetTo(256);
  std::size_t next = 0;
  for (int blue = 0; blue <= 256; blue += 64) {
    for (int green = 0; green <= 256; green += 64) {
      for (int red = 0; red <= 256; red += 64) {
        // The loop's last value, 256, stands for 255.
        entries_[next++] = PaletteEntry{static_cast<Byte>(red == 256 ? 255 : red),
                                        static_cast<Byte>(green == 256 ? 255 : green),
                                        static_cast<Byte>(blue == 256 ? 255 : blue), 0};
      }
    }
  }
}

void cPalette::CreateWebSafe() {
  ResetTo(256);
  SetDarkColours(1);
  std::size_t next = 8;  // entry 9
  for (int blue = 0; blue <= 255; blue += 51) {
    for (int green = 0; green <= 255; green += 51) {
      for (int red = 0; red <= 255; red += 51) {
        if (SkippedCubeColour(red, green, blue)) continue;
        entries_[next++] = PaletteEntry{static_cast<Byte>(red), static_cast<Byte>(green),
                                        static_cast<Byte>(blue), 0};
      }
    }
  }
  for (Long i = 217; i <= 247; ++i) {
    const auto grey = static_cast<Byte>(8 * (i - 216));
    entries_[static_cast<std::size_t>(i - 1)] = PaletteEntry{grey, grey, grey, 0};
  }
  SetBrightColours(248);
}

}  // namespace zentrik
