// Writes bitmap files byte by byte for the reader's tests, with every header field settable so
// that broken files can be made as easily as good ones.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace zentrik::testing {

using Bgr = std::array<std::uint8_t, 3>;

struct BitmapShape {
  std::int32_t width = 1;
  std::int32_t height = 1;  // rows; written negative when top_down
  std::uint16_t bits = 24;
  bool top_down = false;
  std::vector<Bgr> palette;  // written as the colour table (4 bytes an entry)
  std::uint32_t colours_used = 0;
  std::uint32_t header_size = 40;
  std::uint32_t compression = 0;
  bool last_row_unpadded = false;
};

inline void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// `value(x, row)` gives the colour index (paletted) or the 0xRRGGBB colour of pixel x of row
// `row`, rows counted bottom-up as the picture shows them.
inline std::vector<std::uint8_t> bitmap_bytes(const BitmapShape& shape,
                                              const std::function<std::uint32_t(int, int)>& value) {
  const std::size_t stride = (static_cast<std::size_t>(shape.width) * shape.bits + 31) / 32 * 4;
  const std::size_t table = 4 * shape.palette.size();
  const std::size_t offset = 14 + shape.header_size + table;
  std::size_t size = offset + stride * static_cast<std::size_t>(shape.height);
  if (shape.last_row_unpadded)
    size -= stride - (static_cast<std::size_t>(shape.width) * shape.bits + 7) / 8;
  std::vector<std::uint8_t> b(size, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, static_cast<std::uint32_t>(size));
  put32(b, 10, static_cast<std::uint32_t>(offset));
  put32(b, 14, shape.header_size);
  put32(b, 18, static_cast<std::uint32_t>(shape.width));
  put32(b, 22, static_cast<std::uint32_t>(shape.top_down ? -shape.height : shape.height));
  put16(b, 26, 1);
  put16(b, 28, shape.bits);
  put32(b, 30, shape.compression);
  put32(b, 46, shape.colours_used);
  for (std::size_t i = 0; i < shape.palette.size(); ++i) {
    const std::size_t at = 14 + shape.header_size + 4 * i;
    b[at] = shape.palette[i][0];
    b[at + 1] = shape.palette[i][1];
    b[at + 2] = shape.palette[i][2];
  }
  for (int y = 0; y < shape.height; ++y) {
    const int file_row = shape.top_down ? shape.height - 1 - y : y;
    const std::size_t row = offset + stride * static_cast<std::size_t>(file_row);
    for (int x = 0; x < shape.width; ++x) {
      const std::uint32_t v = value(x, y);
      if (shape.bits == 16) {
        put16(b, row + 2 * static_cast<std::size_t>(x), v);
      } else if (shape.bits >= 24) {
        const std::size_t at = row + static_cast<std::size_t>(x) * (shape.bits / 8);
        b[at] = static_cast<std::uint8_t>(v);
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
        b[at + 2] = static_cast<std::uint8_t>(v >> 16);
        if (shape.bits == 32) b[at + 3] = 0xAB;  // the unused byte must not leak through
      } else {
        const int per_byte = 8 / shape.bits;
        const std::size_t at = row + static_cast<std::size_t>(x / per_byte);
        const int shift = 8 - shape.bits * (x % per_byte + 1);
        b[at] = static_cast<std::uint8_t>(b[at] | (v << shift));
      }
    }
  }
  return b;
}

}  // namespace zentrik::testing
