// Reading the picture files people have: bitmap (every kind bmpread knows), PNG, JPEG and
// PPM/PGM, told apart by their first bytes, into the 24-bit bottom-up BitmapImage.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "zentrik/bmpread/BitmapImage.h"
#include "zentrik/bmpread/BitmapReader.h"

namespace zentrik {

enum class ImageFormat { Bitmap, Png, Jpeg, Pnm, Unknown };

// The format of a file by its first bytes.
ImageFormat sniff_image(std::span<const std::uint8_t> bytes);

// The pixel count above which a decoder also asks the data to be large enough to describe the
// picture (PNG and JPEG: at most kMaxPixelsPerByte pixels a byte), so that a few bytes can never
// claim gigabytes.
inline constexpr std::uint64_t kPixelsWithoutQuestion = std::uint64_t{1} << 24;
inline constexpr std::uint64_t kMaxPixelsPerByte = 4096;

// Each decoder raises kInvalidPicture with a description of what is wrong (for example "not a
// PNG file", "truncated JPEG data", "PPM maximum value 0"); sides above kMaxBitmapSide are
// refused. PNG: 1 to 16 bits, grey, palette and colour; transparency (alpha or tRNS) is laid over
// a white background; 16-bit channels are rounded to 8 bits. JPEG: grey and colour (YCbCr, RGB);
// CMYK is refused. PPM/PGM: P2, P3, P5, P6 with maximum values up to 65535, scaled to 0..255.
BitmapImage read_png(std::span<const std::uint8_t> bytes);
BitmapImage read_jpeg(std::span<const std::uint8_t> bytes);
BitmapImage read_pnm(std::span<const std::uint8_t> bytes);

// Any of the formats above, by sniff_image; "not a picture file (bitmap, PNG, JPEG, PPM or
// PGM)" otherwise.
BitmapImage read_image(std::span<const std::uint8_t> bytes);

}  // namespace zentrik
