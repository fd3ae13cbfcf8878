// Image files for the imaging commands: bitmap files in (24, 8 and 4 bits), bitmap or JPEG out
// by the output name's extension, and palette files by their contents.
#pragma once

#include <string>

#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik::cli {

// Reads a bitmap file into `image`; throws std::runtime_error naming the file and the problem.
void load_image(const std::string& path, cDIBSection& image);

// Writes `image` as JPEG (names ending .jpg or .jpeg, any case) at `quality`, otherwise as a
// 24-bit bitmap file; throws when the file could not be written (the old file stays intact).
void save_image(cDIBSection& image, const std::string& path, Long quality);

// Reads a palette file: JASC text when it starts with "JASC", otherwise a raw palette block at
// byte `offset`; throws naming the file when it cannot be read.
void load_palette(const std::string& path, cPalette& palette, Long offset = 0);

// Writes a palette as JASC text, or as a raw block when `raw`; throws on failure.
void save_palette(cPalette& palette, const std::string& path, bool raw);

// The standard palette of a name: mono, 16, halftone, websafe; throws UsageError otherwise.
void make_standard_palette(const std::string& name, cPalette& palette);

}  // namespace zentrik::cli
