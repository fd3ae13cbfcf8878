// Graphics: handles, device contexts, bitmaps and DIB sections (24, 8 and 4 bits with colour
// tables), blits with format conversion and pixel reads, in the shape the imaging code expects.
//
// Handles are 32-bit Longs from one table; 0 is "no handle". Everything here runs on the
// message-loop thread and is not thread-safe. Failures are reported as the platform does: a zero
// handle, a False (0) result, or CLR_INVALID from GetPixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "zentrik/platform/automation.h"

namespace zentrik {

using Handle = Long;
using HDC = Handle;
using HBITMAP = Handle;
using HGDIOBJ = Handle;
using HWND = Handle;
using ColorRef = Long;  // packed 0x00BBGGRR, red in the low byte

inline constexpr Long SRCCOPY = 0xCC0020;  // 13369376: the only raster operation supported
inline constexpr ColorRef CLR_INVALID = -1;
inline constexpr Long DIB_RGB_COLORS = 0;
inline constexpr Long BI_RGB = 0;

constexpr ColorRef RGB(Byte r, Byte g, Byte b) {
  return r | (g << 8) | (b << 16);
}
constexpr Byte GetRValue(ColorRef c) {
  return static_cast<Byte>(c & 0xFF);
}
constexpr Byte GetGValue(ColorRef c) {
  return static_cast<Byte>((c >> 8) & 0xFF);
}
constexpr Byte GetBValue(ColorRef c) {
  return static_cast<Byte>((c >> 16) & 0xFF);
}

#pragma pack(push, 1)
// The 40-byte bitmap information header.
struct BitmapInfoHeader {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // positive: bottom-up rows
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = BI_RGB;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// One colour-table entry: blue, green, red, reserved.
struct RgbQuad {
  Byte rgbBlue = 0;
  Byte rgbGreen = 0;
  Byte rgbRed = 0;
  Byte rgbReserved = 0;
  friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};
static_assert(sizeof(RgbQuad) == 4);
#pragma pack(pop)

// A header followed by a colour table of N entries, as a paletted DIB section is described.
template <std::size_t N>
struct BitmapInfoN {
  BitmapInfoHeader bmiHeader;
  RgbQuad bmiColors[N];
};

// The bitmap description that GetObjectA fills. On this 64-bit platform the bits address is a
// full pointer, so the record is 32 bytes rather than the 24 of a 32-bit system.
struct Bitmap {
  Long bmType = 0;
  Long bmWidth = 0;
  Long bmHeight = 0;
  Long bmWidthBytes = 0;
  std::uint16_t bmPlanes = 0;
  std::uint16_t bmBitsPixel = 0;
  void* bmBits = nullptr;  // DIB sections only; nullptr for compatible bitmaps
};

// Row stride of a DIB of the given width and bit depth: rounded up to a multiple of 4 bytes.
constexpr Long dib_stride(Long width, Long bitsPerPixel) {
  return static_cast<Long>(((static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32) * 4);
}

// Device contexts. CreateDCA accepts only "DISPLAY" (the screen): it makes compatible DCs and
// bitmaps but has no pixels of its own here (blits with it fail, GetPixel gives CLR_INVALID). A
// memory DC starts with a shared 1 x 1 placeholder bitmap selected, as the platform does: it can
// be selected back, never deleted, and blits into it fail. A window has one DC of its own, which
// GetDC returns every time and which goes with the window; ReleaseDC only checks the pair.
HDC CreateDCA(std::string_view driver);
HDC CreateCompatibleDC(HDC hdc);  // 0: compatible with the screen
Boolean DeleteDC(HDC hdc);        // does not delete the selected bitmap
HDC GetDC(HWND window);           // a DC onto the window's pixels
Long ReleaseDC(HWND window, HDC hdc);

// Bitmaps. Compatible bitmaps have the display's own format: 32 bits per pixel (B, G, R, 0),
// top-down, zero-filled. DIB sections support 24, 8 and 4 bits per pixel, BI_RGB, usage
// DIB_RGB_COLORS; paletted ones need a colour table of 2^bits entries (or biClrUsed when set).
// Negative heights give top-down rows. `bits` receives the address of the first row in memory.
HBITMAP CreateCompatibleBitmap(HDC hdc, Long width, Long height);
HBITMAP CreateDIBSection(HDC hdc, const BitmapInfoHeader& header, std::span<const RgbQuad> colours,
                         Long usage, void** bits);

// Selection (memory DCs only): returns the previously selected bitmap, or 0 when `object` is not
// a bitmap or is already selected into another DC. DeleteObject fails (False) for a bitmap still
// selected, one the clipboard owns, the placeholder, and anything that is not a bitmap.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
Boolean DeleteObject(HGDIOBJ object);
// Copies min(size, sizeof(Bitmap)) bytes of the description of a bitmap; returns the count
// copied (sizeof(Bitmap) when `out` is null), or 0 when `object` is not a bitmap.
Long GetObjectA(HGDIOBJ object, Long size, void* out);

// Copies a w x h block from (xSrc, ySrc) of `src` to (x, y) of `dst`, clipped to both surfaces,
// converting between formats. Into a paletted target each pixel becomes the index of the nearest
// colour-table entry (smallest squared distance in red, green and blue, the lowest index on
// ties); out of a paletted source each index reads through its table. Only SRCCOPY is
// supported; any other operation fails. Coordinates are top-down whatever the row order.
Boolean BitBlt(HDC dst, Long x, Long y, Long width, Long height, HDC src, Long xSrc, Long ySrc,
               Long rop);

// The colour at (x, y) of the bitmap selected into `hdc`, or CLR_INVALID outside it.
ColorRef GetPixel(HDC hdc, Long x, Long y);

// Paints the top-left width x height block of 24-bit pixels (stride = dib_stride(biWidth, 24),
// rows bottom-up for a positive biHeight) onto a DC at (x, y), clipped. Returns the number of
// rows taken from the source, 0 on failure.
Long SetDIBitsToDevice(HDC hdc, Long x, Long y, Long width, Long height, const void* bits,
                       const BitmapInfoHeader& header);

// Windows: a surface in the display format that GetDC can draw on and read from.
HWND CreateWindowSurface(Long width, Long height);
Boolean DestroyWindow(HWND window);

// Diagnostics for tests: number of live GDI objects (DCs, bitmaps, windows).
std::size_t gdi_object_count();

}  // namespace zentrik
