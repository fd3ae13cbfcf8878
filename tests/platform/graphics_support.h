// Helpers for the graphics tests: the two standard colour tables, seeded random images and
// tables, and a DIB section selected into a memory DC that cleans up after itself.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "zentrik/platform/gdi.h"

namespace zentrik::test {

// The 256-entry halftone table: 125 colours over the levels 0, 64, 128, 192, 255 (red innermost,
// blue outermost), then black.
inline std::vector<RgbQuad> halftone_table() {
  constexpr std::array<Byte, 5> kLevels{0, 64, 128, 192, 255};
  std::vector<RgbQuad> table(256);
  for (int n = 0; n < 125; ++n) {
    table[n].rgbRed = kLevels[n % 5];
    table[n].rgbGreen = kLevels[(n / 5) % 5];
    table[n].rgbBlue = kLevels[n / 25];
  }
  return table;
}

// The 16 standard colours.
inline std::vector<RgbQuad> sixteen_colour_table() {
  constexpr std::array<std::array<Byte, 3>, 16> kRgb{{{0, 0, 0},
                                                      {128, 0, 0},
                                                      {0, 128, 0},
                                                      {128, 128, 0},
                                                      {0, 0, 128},
                                                      {128, 0, 128},
                                                      {0, 128, 128},
                                                      {192, 192, 192},
                                                      {128, 128, 128},
                                                      {255, 0, 0},
                                                      {0, 255, 0},
                                                      {255, 255, 0},
                                                      {0, 0, 255},
                                                      {255, 0, 255},
                                                      {0, 255, 255},
                                                      {255, 255, 255}}};
  std::vector<RgbQuad> table;
  for (const auto& c : kRgb) table.push_back({c[2], c[1], c[0], 0});
  return table;
}

inline RgbQuad quad(Byte red, Byte green, Byte blue) {
  return {blue, green, red, 0};
}

// A random table of `size` entries with repeated colours and entries placed symmetrically
// around one colour, so that distances tie.
inline std::vector<RgbQuad> random_table(std::mt19937& rng, std::size_t size) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<RgbQuad> table;
  while (table.size() < size) {
    const int kind = byte(rng) % 4;
    if (kind == 0 && !table.empty()) {
      table.push_back(table[byte(rng) % table.size()]);  // duplicate
    } else if (kind == 1 && table.size() + 2 <= size) {
      const int r = 20 + byte(rng) % 216, g = 20 + byte(rng) % 216, b = 20 + byte(rng) % 216;
      const int d = 1 + byte(rng) % 20;
      table.push_back(quad(static_cast<Byte>(r - d), static_cast<Byte>(g), static_cast<Byte>(b)));
      table.push_back(quad(static_cast<Byte>(r + d), static_cast<Byte>(g), static_cast<Byte>(b)));
    } else {
      table.push_back(quad(static_cast<Byte>(byte(rng)), static_cast<Byte>(byte(rng)),
                           static_cast<Byte>(byte(rng))));
    }
  }
  return table;
}

// A DIB section selected into its own memory DC.
class TestDib {
 public:
  TestDib(Long width, Long height, Long bits, std::span<const RgbQuad> colours = {}) {
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<std::uint16_t>(bits);
    if (bits <= 8 && colours.size() < (std::size_t{1} << bits)) {
      header.biClrUsed = static_cast<std::uint32_t>(colours.size());
    }
    bitmap_ = CreateDIBSection(0, header, colours, DIB_RGB_COLORS, &bits_);
    dc_ = CreateCompatibleDC(0);
    old_ = SelectObject(dc_, bitmap_);
    stride_ = dib_stride(width, bits);
    rows_ = height < 0 ? -height : height;
  }
  ~TestDib() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  TestDib(const TestDib&) = delete;
  TestDib& operator=(const TestDib&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  std::uint8_t* bits() const { return static_cast<std::uint8_t*>(bits_); }
  Long stride() const { return stride_; }
  std::span<std::uint8_t> bytes() const {
    return {bits(), static_cast<std::size_t>(stride_) * rows_};
  }

 private:
  HBITMAP bitmap_ = 0;
  void* bits_ = nullptr;
  HDC dc_ = 0;
  HGDIOBJ old_ = 0;
  Long stride_ = 0;
  Long rows_ = 0;
};

// A compatible (display-format) bitmap selected into its own memory DC.
class TestSurface {
 public:
  TestSurface(Long width, Long height) {
    display_ = CreateDCA("DISPLAY");
    bitmap_ = CreateCompatibleBitmap(display_, width, height);
    dc_ = CreateCompatibleDC(display_);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~TestSurface() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
    DeleteDC(display_);
  }
  TestSurface(const TestSurface&) = delete;
  TestSurface& operator=(const TestSurface&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }

 private:
  HDC display_ = 0;
  HBITMAP bitmap_ = 0;
  HDC dc_ = 0;
  HGDIOBJ old_ = 0;
};

// Fills a 24-bit DIB with seeded random colours.
inline void fill_random(const TestDib& dib, std::mt19937& rng) {
  std::uniform_int_distribution<int> byte(0, 255);
  for (auto& b : dib.bytes()) b = static_cast<std::uint8_t>(byte(rng));
}

}  // namespace zentrik::test
