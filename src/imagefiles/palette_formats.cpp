// Palette files of other programs: telling them apart, reading and writing them.
#include "zentrik/imagefiles/PaletteFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace zentrik {
namespace {

constexpr std::size_t kTableColours = 256;
constexpr std::size_t kTableBytes = 3 * kTableColours;  // 768
constexpr std::size_t kTrailerBytes = 4;                // count and transparent index
constexpr unsigned kVgaMost = 63;

bool starts_with(std::span<const std::uint8_t> bytes, std::string_view text) {
  return bytes.size() >= text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  return lines;
}

std::string_view trimmed(std::string_view line) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!line.empty() && blank(line.front())) line.remove_prefix(1);
  while (!line.empty() && blank(line.back())) line.remove_suffix(1);
  return line;
}

// A component 0..255 at the front of `line`, which moves past it; false when there is none.
bool component(std::string_view& line, std::uint8_t& value) {
  line = trimmed(line);
  unsigned number = 0;
  std::size_t digits = 0;
  while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9' && digits < 4)
    number = number * 10 + static_cast<unsigned>(line[digits++] - '0');
  if (digits == 0 || number > 255 ||
      (digits < line.size() && line[digits] != ' ' && line[digits] != '\t'))
    return false;
  value = static_cast<std::uint8_t>(number);
  line.remove_prefix(digits);
  return true;
}

}  // namespace

PaletteFormat sniff_palette(std::span<const std::uint8_t> bytes, std::string_view name) {
  if (starts_with(bytes, "JASC")) return PaletteFormat::Jasc;
  if (starts_with(bytes, "GIMP Palette")) return PaletteFormat::Gimp;
  if (bytes.size() >= 4) {  // a raw block announces exactly the entries that follow
    const std::uint32_t count = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                (static_cast<std::uint32_t>(bytes[3]) << 24);
    if (bytes.size() == 4 + std::uint64_t{4} * count) return PaletteFormat::RawBlock;
  }
  if (bytes.size() == kTableBytes || bytes.size() == kTableBytes + kTrailerBytes) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool act_name = lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".act") == 0;
    const bool six_bit = std::all_of(bytes.begin(), bytes.begin() + kTableBytes,
                                     [](std::uint8_t v) { return v <= kVgaMost; });
    return six_bit && !act_name && bytes.size() == kTableBytes ? PaletteFormat::Vga
                                                               : PaletteFormat::Act;
  }
  return PaletteFormat::RawBlock;
}

std::string jasc_with_crlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  const std::vector<std::string_view> lines = lines_of(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines[i];
  }
  return out;
}

std::vector<PaletteEntry> read_gimp_palette(std::string_view text) {
  const std::vector<std::string_view> lines = lines_of(text);
  if (lines.empty() || trimmed(lines[0]) != "GIMP Palette")
    throw std::runtime_error("not a GIMP palette (no \"GIMP Palette\" line)");
  std::vector<PaletteEntry> entries;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = trimmed(lines[i]);
    if (line.empty() || line[0] == '#' || line.rfind("Name:", 0) == 0 ||
        line.rfind("Columns:", 0) == 0)
      continue;
    PaletteEntry entry;
    if (!component(line, entry.red) || !component(line, entry.green) ||
        !component(line, entry.blue))
      throw std::runtime_error("line " + std::to_string(i + 1) +
                               " of the GIMP palette is not a colour (R G B, each 0 to 255)");
    entries.push_back(entry);
  }
  if (entries.empty()) throw std::runtime_error("the GIMP palette has no colours");
  return entries;
}

std::vector<PaletteEntry> read_act_palette(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kTableBytes && bytes.size() != kTableBytes + kTrailerBytes)
    throw std::runtime_error("not a 768-byte colour table");
  std::size_t count = kTableColours;
  if (bytes.size() > kTableBytes) {
    count = (std::size_t{bytes[kTableBytes]} << 8) | bytes[kTableBytes + 1];
    if (count == 0 || count > kTableColours)
      throw std::runtime_error("bad colour count in the table's trailer (" + std::to_string(count) +
                               ")");
  }
  std::vector<PaletteEntry> entries(count);
  for (std::size_t i = 0; i < count; ++i)
    entries[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2], 0};
  return entries;
}

std::vector<PaletteEntry> read_vga_palette(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kTableBytes) throw std::runtime_error("not a 768-byte colour table");
  const auto widen = [](std::uint8_t v) {
    if (v > kVgaMost) throw std::runtime_error("a 6-bit colour table holds values up to 63");
    return static_cast<std::uint8_t>((v * 255u + kVgaMost / 2) / kVgaMost);
  };
  std::vector<PaletteEntry> entries(kTableColours);
  for (std::size_t i = 0; i < kTableColours; ++i)
    entries[i] = {widen(bytes[3 * i]), widen(bytes[3 * i + 1]), widen(bytes[3 * i + 2]), 0};
  return entries;
}

std::string jasc_text(std::span<const PaletteEntry> entries) {
  std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(entries.size()) + "\r\n";
  for (const PaletteEntry& e : entries)
    text += std::to_string(e.red) + " " + std::to_string(e.green) + " " + std::to_string(e.blue) +
            "\r\n";
  return text;
}

std::string gimp_text(std::span<const PaletteEntry> entries, std::string_view name) {
  std::string text = "GIMP Palette\nName: " + std::string(name) + "\nColumns: 16\n#\n";
  char line[32];
  for (const PaletteEntry& e : entries) {
    std::snprintf(line, sizeof line, "%3u %3u %3u\n", e.red, e.green, e.blue);
    text += line;
  }
  return text;
}

std::vector<std::uint8_t> act_bytes(std::span<const PaletteEntry> entries) {
  if (entries.empty() || entries.size() > kTableColours)
    throw std::runtime_error("a 768-byte colour table holds 1 to 256 colours, not " +
                             std::to_string(entries.size()));
  std::vector<std::uint8_t> bytes(kTableBytes, 0);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bytes[3 * i] = entries[i].red;
    bytes[3 * i + 1] = entries[i].green;
    bytes[3 * i + 2] = entries[i].blue;
  }
  if (entries.size() < kTableColours) {
    bytes.push_back(static_cast<std::uint8_t>(entries.size() >> 8));
    bytes.push_back(static_cast<std::uint8_t>(entries.size()));
    bytes.push_back(0xFF);  // no transparent colour
    bytes.push_back(0xFF);
  }
  return bytes;
}

}  // namespace zentrik
