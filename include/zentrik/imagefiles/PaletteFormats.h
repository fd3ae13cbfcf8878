// Palette files of other programs beside cPalette's own raw block and JASC reader: JASC text
// with any line ends, GIMP .gpl, 768-byte RGB tables (.act, with the optional count trailer) and
// 6-bit VGA tables; and their writers. Errors are std::runtime_error saying what is wrong.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zentrik/colour/PaletteEntry.h"

namespace zentrik {

enum class PaletteFormat { Jasc, Gimp, Act, Vga, RawBlock };

// The format of palette bytes by their contents. A 768- or 772-byte table counts as 6-bit VGA
// when every value is 63 or less and `name` does not end in ".act"; anything unrecognised is
// taken for a raw block, which cPalette::Load then checks.
PaletteFormat sniff_palette(std::span<const std::uint8_t> bytes, std::string_view name);

// JASC text with every line end (CR LF, LF or CR alone) made CR LF, as cPalette reads it.
std::string jasc_with_crlf(std::string_view text);

std::vector<PaletteEntry> read_gimp_palette(std::string_view text);
// 256 colours of three bytes; a 772-byte file's trailer gives the count (16-bit big-endian,
// then a transparent index that is ignored).
std::vector<PaletteEntry> read_act_palette(std::span<const std::uint8_t> bytes);
// 256 colours of three 6-bit values, widened to 0..255.
std::vector<PaletteEntry> read_vga_palette(std::span<const std::uint8_t> bytes);

// "JASC-PAL", "0100", the count and one "R G B" line a colour, each line ending in CR LF.
std::string jasc_text(std::span<const PaletteEntry> entries);
std::string gimp_text(std::span<const PaletteEntry> entries, std::string_view name);
// 768 bytes, with the count trailer when there are fewer than 256 colours; more are refused.
std::vector<std::uint8_t> act_bytes(std::span<const PaletteEntry> entries);

}  // namespace zentrik
