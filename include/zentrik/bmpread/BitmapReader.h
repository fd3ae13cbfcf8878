// Reading bitmap files (1, 4, 8, 16, 24 and 32 bits per pixel; RLE4, RLE8 and bit fields;
// bottom-up or top-down, with colour tables and row padding) into a BitmapImage, safely on any
// bytes: nothing is read outside the data and nothing is allocated that the file does not
// account for.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "zentrik/bmpread/BitmapImage.h"

namespace zentrik {

inline constexpr Long kMaxBitmapSide = 16384;  // widths and heights above it are refused
inline constexpr Long kInvalidPicture = 481;   // the error number of a file that is no picture

// Decodes the bytes of a bitmap file. Raises kInvalidPicture with a description saying what is
// wrong: "not a bitmap file", "truncated bitmap header", "unsupported bitmap header (12 bytes)",
// "unsupported compression (JPEG)", "unsupported bit depth (2 bits per pixel)", "bad bit depth
// for RLE8 (4 bits per pixel)", "bad bit fields (...)", "truncated RLE data", "bad bitmap size
// (0 x 5)", "bitmap too large (20000 x 10)", "bad colour table size (300 entries)", "truncated
// colour table", "bad pixel data offset", "truncated pixel data". Colour indices beyond the table
// read as black.
BitmapImage read_bitmap(std::span<const std::uint8_t> bytes);

// Reads the file and decodes it. A file that cannot be opened raises 53 (missing) or 75 (any
// other reason) with "cannot read 'NAME': REASON"; a bad file raises as read_bitmap does, the
// description prefixed with "NAME: ".
BitmapImage read_bitmap_file(const std::string& path);

}  // namespace zentrik
