// Writing pictures in the formats people use: PNG (true colour, or paletted with 4 or 8 bits an
// index) and paletted bitmap files (4 or 8 bits), as bytes for a file or standard output.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "zentrik/colour/PaletteEntry.h"
#include "zentrik/platform/automation.h"
#include "zentrik/platform/byte_view.h"

namespace zentrik {

inline constexpr std::size_t kMaxPaletteColours = 256;  // the most a paletted file can hold
inline constexpr std::size_t kMaxNibbleColours = 16;    // palettes this small use 4-bit indices

// A picture as palette indices, one byte a pixel, the top row first.
struct IndexedImage {
  Long width = 0;
  Long height = 0;
  std::vector<PaletteEntry> palette;  // 1 to 256 colours
  std::vector<std::uint8_t> indices;  // width x height
};

// What an encoder writes: 24-bit pixels (blue, green, red, rows bottom-up as in a cDIBSection),
// and the same picture as indices when it is to be written paletted.
struct EncodeInput {
  ConstByteView bits;
  Long width = 0;
  Long height = 0;
  const IndexedImage* indexed = nullptr;
};

// The picture as indices into `palette` (at most 256 colours; the first entry of a colour wins),
// or nothing when a pixel is not one of its colours.
std::optional<IndexedImage> index_by_palette(ConstByteView bits, Long width, Long height,
                                             std::span<const PaletteEntry> palette);
// The picture as indices into its own colours in the order they are first met, top row first,
// or nothing when it has more than 256.
std::optional<IndexedImage> index_by_colours(ConstByteView bits, Long width, Long height);

// Rows of indices packed `bits` (4 or 8) to a byte, high half first, each row whole bytes.
std::vector<std::uint8_t> pack_indices(const IndexedImage& image, unsigned bits);

// A PNG file: paletted when `input.indexed` is set, else 8-bit RGB. Throws std::runtime_error
// when the encoder fails.
std::vector<std::uint8_t> encode_png(const EncodeInput& input);
// A bottom-up bitmap file of 4 bits an index (16 colours or fewer) or 8, with its colour table
// (colours used = the palette's size).
std::vector<std::uint8_t> encode_paletted_bitmap(const IndexedImage& image);

}  // namespace zentrik
