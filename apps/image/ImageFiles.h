// Image and palette files for the imaging commands: pictures in from any format the imagefiles
// library reads (or standard input, "-"), out by the output name's extension (bitmap, PNG, JPEG;
// paletted when a palette is given), and palette files of every kind by their contents.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "zentrik/colour/PaletteEntry.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik::cli {

inline constexpr const char* kStandardStream = "-";

enum class ImageKind { Bitmap, Png, Jpeg };

// The kind of file to write: by `format` when given (bmp, png, jpg, jpeg), else by the name's
// extension; UsageError for anything else, and for "-" without a format.
ImageKind image_kind(const std::string& path, const std::optional<std::string>& format);

// Reads a picture file (or standard input for "-"); throws std::runtime_error naming the file
// and the problem.
void load_image(const std::string& path, cDIBSection& image);

// Writes `image` (to standard output for "-"); a bitmap or PNG is written paletted with
// `palette` when it holds 256 colours or fewer and every pixel is one of them; a PNG without a
// palette is paletted too when the picture has 256 colours or fewer. The old file is replaced
// only once the new one is complete; throws std::runtime_error when it cannot be written.
void save_image(cDIBSection& image, const std::string& path, ImageKind kind, Long quality,
                std::span<const PaletteEntry> palette = {});

// Reads a palette file of any kind (JASC text with any line ends, GIMP, 768-byte tables, 6-bit
// VGA tables, or a raw block at byte `offset`); throws naming the file when it cannot be read.
void load_palette(const std::string& path, cPalette& palette, Long offset = 0);

enum class PaletteKind { Jasc, RawBlock, Gimp, Act };

// JASC unless `raw`, or GIMP / 768-byte table for names ending .gpl / .act; written whole.
PaletteKind palette_kind(const std::string& path, bool raw);
void save_palette(cPalette& palette, const std::string& path, PaletteKind kind);

// The standard palette of a name: mono, 16, halftone, websafe; throws UsageError otherwise.
void make_standard_palette(const std::string& name, cPalette& palette);

}  // namespace zentrik::cli
