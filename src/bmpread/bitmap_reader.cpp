// The bitmap decoder: header checks first (sizes, depth, compression, colour table, and that the
// file holds every byte the pixel rows need), then one row at a time into 24-bit rows.
#include "zentrik/bmpread/BitmapReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

constexpr std::size_t kFileHeaderSize = 14;

[[noreturn]] void invalid(const std::string& description) {
  raise_error(kInvalidPicture, ZENTRIK_MODULE_NAME, description);
}

std::uint32_t u16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::int64_t s32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::int32_t>(u32(b, at));
}

bool known_header_size(std::uint32_t size) {
  // The information header and its later versions, which begin with the same 40 bytes.
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

std::string compression_name(std::uint32_t compression) {
  switch (compression) {
    case 1:
      return "RLE8";
    case 2:
      return "RLE4";
    case 3:
      return "bit fields";
    case 4:
      return "JPEG";
    case 5:
      return "PNG";
    case 6:
      return "alpha bit fields";
    default:
      return std::to_string(compression);
  }
}

using Colour = std::array<std::uint8_t, 3>;  // blue, green, red

struct Layout {
  std::int64_t width = 0;
  std::int64_t rows = 0;
  bool top_down = false;
  unsigned bits = 0;
  std::size_t pixel_offset = 0;
  std::size_t source_stride = 0;
  std::array<Colour, 256> table{};  // unused entries stay black
};

Layout read_layout(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') invalid("not a bitmap file");
  if (bytes.size() < kFileHeaderSize + 4) invalid("truncated bitmap header");
  const std::uint32_t header_size = u32(bytes, kFileHeaderSize);
  if (!known_header_size(header_size))
    invalid("unsupported bitmap header (" + std::to_string(header_size) + " bytes)");
  if (bytes.size() < kFileHeaderSize + header_size) invalid("truncated bitmap header");

  Layout layout;
  layout.width = s32(bytes, 18);
  const std::int64_t height = s32(bytes, 22);
  layout.bits = u16(bytes, 28);
  const std::uint32_t compression = u32(bytes, 30);
  const std::uint32_t colours_used = u32(bytes, 46);

  if (compression != 0) invalid("unsupported compression (" + compression_name(compression) + ")");
  if (layout.bits != 1 && layout.bits != 4 && layout.bits != 8 && layout.bits != 24 &&
      layout.bits != 32)
    invalid("unsupported bit depth (" + std::to_string(layout.bits) + " bits per pixel)");
  if (layout.width <= 0 || height == 0)
    invalid("bad bitmap size (" + std::to_string(layout.width) + " x " + std::to_string(height) +
            ")");
  layout.top_down = height < 0;
  layout.rows = height < 0 ? -height : height;  // 64-bit: -INT32_MIN fits
  if (layout.width > kMaxBitmapSide || layout.rows > kMaxBitmapSide)
    invalid("bitmap too large (" + std::to_string(layout.width) + " x " +
            std::to_string(layout.rows) + ")");

  std::size_t table_entries = 0;
  if (layout.bits <= 8) {
    const std::size_t most = std::size_t{1} << layout.bits;
    if (colours_used > most)
      invalid("bad colour table size (" + std::to_string(colours_used) + " entries)");
    table_entries = colours_used == 0 ? most : colours_used;
  }
  const std::size_t table_offset = kFileHeaderSize + header_size;
  const std::size_t table_end = table_offset + 4 * table_entries;
  if (table_end > bytes.size()) invalid("truncated colour table");
  for (std::size_t i = 0; i < table_entries; ++i) {
    const std::size_t at = table_offset + 4 * i;
    layout.table[i] = {bytes[at], bytes[at + 1], bytes[at + 2]};
  }

  const std::uint32_t offset = u32(bytes, 10);
  // Some writers leave the offset 0: the pixels then follow the colour table.
  layout.pixel_offset = offset == 0 ? table_end : offset;
  if (layout.pixel_offset < table_end) invalid("bad pixel data offset");

  const std::uint64_t row_bits = static_cast<std::uint64_t>(layout.width) * layout.bits;
  layout.source_stride = static_cast<std::size_t>((row_bits + 31) / 32 * 4);
  // The last row may come without its padding.
  const std::uint64_t needed = static_cast<std::uint64_t>(layout.source_stride) *
                                   static_cast<std::uint64_t>(layout.rows - 1) +
                               (row_bits + 7) / 8;
  if (layout.pixel_offset > bytes.size() || needed > bytes.size() - layout.pixel_offset)
    invalid("truncated pixel data");
  return layout;
}

void decode_row(const Layout& layout, const std::uint8_t* in, std::uint8_t* out) {
  const std::int64_t width = layout.width;
  switch (layout.bits) {
    case 24:
      std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
      return;
    case 32:
      for (std::int64_t x = 0; x < width; ++x, in += 4, out += 3) std::memcpy(out, in, 3);
      return;
    case 8:
      for (std::int64_t x = 0; x < width; ++x, out += 3) std::memcpy(out, &layout.table[in[x]], 3);
      return;
    case 4:  // two indices a byte, the high half first
      for (std::int64_t x = 0; x < width; ++x, out += 3) {
        const unsigned byte = in[x >> 1];
        std::memcpy(out, &layout.table[(x & 1) != 0 ? byte & 15u : byte >> 4], 3);
      }
      return;
    default:  // 1 bit: eight indices a byte, the highest bit first
      for (std::int64_t x = 0; x < width; ++x, out += 3)
        std::memcpy(out, &layout.table[(in[x >> 3] >> (7 - (x & 7))) & 1u], 3);
      return;
  }
}

}  // namespace

BitmapImage read_bitmap(std::span<const std::uint8_t> bytes) {
  const Layout layout = read_layout(bytes);
  BitmapImage image;
  image.width = static_cast<Long>(layout.width);
  image.height = static_cast<Long>(layout.rows);
  image.stride = (image.width * 3 + 3) / 4 * 4;
  image.pixels.assign(static_cast<std::size_t>(image.stride) * image.height, 0);
  for (std::int64_t row = 0; row < layout.rows; ++row) {
    const std::uint8_t* in =
        bytes.data() + layout.pixel_offset + static_cast<std::size_t>(row) * layout.source_stride;
    const std::int64_t target = layout.top_down ? layout.rows - 1 - row : row;
    decode_row(layout, in, image.pixels.data() + static_cast<std::size_t>(target) * image.stride);
  }
  return image;
}

}  // namespace zentrik
