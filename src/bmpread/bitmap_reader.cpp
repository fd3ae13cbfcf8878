// The bitmap decoder: header checks first (sizes, depth, compression, colour table, and that the
// file holds every byte the pixel rows need), then one row at a time into 24-bit rows.
#include "zentrik/bmpread/BitmapReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint64_t kRunLengthPixelsPerByte = 1024;

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

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

// One colour channel of a 16- or 32-bit pixel: its bits, shifted down and widened to 0..255 by
// repeating them (five bits abcde give abcdeabc), as other decoders widen them.
struct ChannelMask {
  std::uint32_t mask = 0;
  unsigned shift = 0;
  unsigned width = 0;      // bits in the channel
  std::uint32_t most = 0;  // the largest value of the shifted bits

  static ChannelMask of(std::uint32_t mask) {
    ChannelMask channel;
    channel.mask = mask;
    if (mask == 0) return channel;
    while (((mask >> channel.shift) & 1u) == 0) ++channel.shift;
    channel.most = mask >> channel.shift;
    while ((channel.most >> channel.width) != 0) ++channel.width;
    return channel;
  }
  std::uint8_t operator()(std::uint32_t pixel) const {
    if (width == 0) return 0;
    const std::uint64_t value = (pixel & mask) >> shift;
    std::uint64_t repeated = 0;
    unsigned filled = 0;
    for (; filled < 8; filled += width) repeated = (repeated << width) | value;
    return static_cast<std::uint8_t>(repeated >> (filled - 8));
  }
  bool contiguous() const { return most != 0 && (most & (most + 1)) == 0; }
};

struct Layout {
  std::int64_t width = 0;
  std::int64_t rows = 0;
  bool top_down = false;
  unsigned bits = 0;
  std::size_t pixel_offset = 0;
  std::size_t source_stride = 0;
  std::uint32_t compression = 0;
  std::array<ChannelMask, 3> masks{};  // blue, green, red of 16- and 32-bit pixels
  std::array<Colour, 256> table{};     // unused entries stay black
};

void check_compression(std::uint32_t compression, unsigned bits) {
  const bool fits =
      compression == 0
          ? (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)
      : compression == kRle8                                        ? bits == 8
      : compression == kRle4                                        ? bits == 4
      : compression == kBitFields || compression == kAlphaBitFields ? (bits == 16 || bits == 32)
                                                                    : false;
  if (fits) return;
  if (compression != 0 && compression != kRle8 && compression != kRle4 &&
      compression != kBitFields && compression != kAlphaBitFields)
    invalid("unsupported compression (" + compression_name(compression) + ")");
  if (compression == 0)
    invalid("unsupported bit depth (" + std::to_string(bits) + " bits per pixel)");
  invalid("bad bit depth for " + compression_name(compression) + " (" + std::to_string(bits) +
          " bits per pixel)");
}

// The channel masks of 16- and 32-bit pixels: inside the later headers, after the 40-byte one,
// or the fixed 5-5-5 layout of plain 16-bit pixels. Returns the bytes the masks take after the
// header.
std::size_t read_masks(std::span<const std::uint8_t> bytes, std::uint32_t header_size,
                       Layout& layout) {
  if (layout.compression != kBitFields && layout.compression != kAlphaBitFields) {
    if (layout.bits == 16)
      layout.masks = {ChannelMask::of(0x001F), ChannelMask::of(0x03E0), ChannelMask::of(0x7C00)};
    return 0;
  }
  const std::size_t after = header_size == 40 ? (layout.compression == kBitFields ? 12 : 16) : 0;
  const std::size_t at = kFileHeaderSize + 40;
  if (bytes.size() < at + 12) invalid("truncated bit fields");
  layout.masks = {ChannelMask::of(u32(bytes, at + 8)), ChannelMask::of(u32(bytes, at + 4)),
                  ChannelMask::of(u32(bytes, at))};
  for (const ChannelMask& channel : layout.masks)
    if (!channel.contiguous() || (layout.bits == 16 && channel.mask > 0xFFFF))
      invalid("bad bit fields (red " + std::to_string(u32(bytes, at)) + ", green " +
              std::to_string(u32(bytes, at + 4)) + ", blue " + std::to_string(u32(bytes, at + 8)) +
              ")");
  return after;
}

bool run_length(const Layout& layout) {
  return layout.compression == kRle8 || layout.compression == kRle4;
}

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
  layout.compression = u32(bytes, 30);
  const std::uint32_t colours_used = u32(bytes, 46);

  check_compression(layout.compression, layout.bits);
  if (layout.width <= 0 || height == 0)
    invalid("bad bitmap size (" + std::to_string(layout.width) + " x " + std::to_string(height) +
            ")");
  layout.top_down = height < 0;
  layout.rows = height < 0 ? -height : height;  // 64-bit: -INT32_MIN fits
  if (layout.width > kMaxBitmapSide || layout.rows > kMaxBitmapSide)
    invalid("bitmap too large (" + std::to_string(layout.width) + " x " +
            std::to_string(layout.rows) + ")");
  if (layout.top_down && run_length(layout)) invalid("top-down bitmap with RLE compression");

  std::size_t table_entries = 0;
  if (layout.bits <= 8) {
    const std::size_t most = std::size_t{1} << layout.bits;
    if (colours_used > most)
      invalid("bad colour table size (" + std::to_string(colours_used) + " entries)");
    table_entries = colours_used == 0 ? most : colours_used;
  }
  const std::size_t table_offset =
      kFileHeaderSize + header_size + read_masks(bytes, header_size, layout);
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
  if (layout.pixel_offset > bytes.size()) invalid("truncated pixel data");

  if (run_length(layout)) {
    // A run of two bytes paints at most 255 pixels; files that promise far more pixels than
    // their data can paint are refused before anything is allocated.
    const std::uint64_t data = bytes.size() - layout.pixel_offset;
    if (static_cast<std::uint64_t>(layout.width) * static_cast<std::uint64_t>(layout.rows) >
        kRunLengthPixelsPerByte * (data + 1))
      invalid("truncated pixel data");
    return layout;
  }
  const std::uint64_t row_bits = static_cast<std::uint64_t>(layout.width) * layout.bits;
  layout.source_stride = static_cast<std::size_t>((row_bits + 31) / 32 * 4);
  // The last row may come without its padding.
  const std::uint64_t needed = static_cast<std::uint64_t>(layout.source_stride) *
                                   static_cast<std::uint64_t>(layout.rows - 1) +
                               (row_bits + 7) / 8;
  if (needed > bytes.size() - layout.pixel_offset) invalid("truncated pixel data");
  return layout;
}

void decode_row(const Layout& layout, const std::uint8_t* in, std::uint8_t* out) {
  const std::int64_t width = layout.width;
  switch (layout.bits) {
    case 24:
      std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
      return;
    case 32:
      if (layout.compression == 0) {
        for (std::int64_t x = 0; x < width; ++x, in += 4, out += 3) std::memcpy(out, in, 3);
        return;
      }
      for (std::int64_t x = 0; x < width; ++x, in += 4) {
        const std::uint32_t pixel =
            in[0] | (in[1] << 8) | (in[2] << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
        for (const ChannelMask& channel : layout.masks) *out++ = channel(pixel);
      }
      return;
    case 16:
      for (std::int64_t x = 0; x < width; ++x, in += 2) {
        const std::uint32_t pixel = in[0] | (in[1] << 8);
        for (const ChannelMask& channel : layout.masks) *out++ = channel(pixel);
      }
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

// Run-length data (RLE8: a byte an index; RLE4: two indices a byte, high half first) into one
// index a pixel, bottom row first. Pixels the data skips (end of line, delta, end of bitmap) keep
// index 0; runs past the row's end are cut off.
std::vector<std::uint8_t> decode_run_lengths(const Layout& layout,
                                             std::span<const std::uint8_t> data) {
  const bool four = layout.compression == kRle4;
  const std::int64_t width = layout.width;
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(width * layout.rows), 0);
  std::int64_t x = 0, y = 0;
  const auto put = [&](std::int64_t count, auto index_of) {
    for (std::int64_t k = 0; k < count; ++k, ++x)
      if (x < width) indices[static_cast<std::size_t>(y * width + x)] = index_of(k);
  };
  std::size_t i = 0;
  while (i + 1 < data.size() && y < layout.rows) {
    const unsigned count = data[i], code = data[i + 1];
    i += 2;
    if (count > 0) {
      put(count, [&](std::int64_t k) {
        return static_cast<std::uint8_t>(!four ? code : (k & 1) ? code & 15u : code >> 4);
      });
    } else if (code == 0) {  // end of line
      x = 0;
      ++y;
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // move right and up
      if (i + 1 >= data.size()) invalid("truncated RLE data");
      x += data[i];
      y += data[i + 1];
      i += 2;
    } else {  // `code` indices as they stand, padded to a whole 16-bit word
      const std::size_t size = four ? (code + 1) / 2 : code;
      if (i + size > data.size()) invalid("truncated RLE data");
      const std::uint8_t* literal = data.data() + i;
      put(code, [&](std::int64_t k) {
        return static_cast<std::uint8_t>(!four          ? literal[k]
                                         : (k & 1) != 0 ? literal[k / 2] & 15u
                                                        : literal[k / 2] >> 4);
      });
      i += (size + 1) & ~std::size_t{1};
    }
  }
  return indices;
}

}  // namespace

BitmapImage read_bitmap(std::span<const std::uint8_t> bytes) {
  const Layout layout = read_layout(bytes);
  BitmapImage image;
  image.width = static_cast<Long>(layout.width);
  image.height = static_cast<Long>(layout.rows);
  image.stride = (image.width * 3 + 3) / 4 * 4;
  image.pixels.assign(static_cast<std::size_t>(image.stride) * image.height, 0);
  if (run_length(layout)) {
    const std::vector<std::uint8_t> indices =
        decode_run_lengths(layout, bytes.subspan(layout.pixel_offset));
    for (std::int64_t row = 0; row < layout.rows; ++row) {
      std::uint8_t* out = image.pixels.data() + static_cast<std::size_t>(row) * image.stride;
      for (std::int64_t x = 0; x < layout.width; ++x, out += 3)
        std::memcpy(out, &layout.table[indices[static_cast<std::size_t>(row * layout.width + x)]],
                    3);
    }
    return image;
  }
  for (std::int64_t row = 0; row < layout.rows; ++row) {
    const std::uint8_t* in =
        bytes.data() + layout.pixel_offset + static_cast<std::size_t>(row) * layout.source_stride;
    const std::int64_t target = layout.top_down ? layout.rows - 1 - row : row;
    decode_row(layout, in, image.pixels.data() + static_cast<std::size_t>(target) * image.stride);
  }
  return image;
}

}  // namespace zentrik
