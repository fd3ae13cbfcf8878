// Pictures as palette indices, and the paletted bitmap file written from them.
#include <array>
#include <cstring>

#include "zentrik/imagefiles/ImageWriters.h"

namespace zentrik {
namespace {

constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;

std::uint32_t colour_key(const std::uint8_t* bgr) {
  return bgr[0] | (std::uint32_t{bgr[1]} << 8) | (std::uint32_t{bgr[2]} << 16);
}

// A small open-addressing table from 24-bit colours to indices.
class ColourIndex {
 public:
  std::uint32_t find(std::uint32_t key) const {
    for (std::size_t at = hash(key);; at = (at + 1) & kMask) {
      if (keys_[at] == kEmpty) return kNoIndex;
      if (keys_[at] == key) return values_[at];
    }
  }
  void insert(std::uint32_t key, std::uint32_t value) {  // keeps the first value of a key
    for (std::size_t at = hash(key);; at = (at + 1) & kMask) {
      if (keys_[at] == key) return;
      if (keys_[at] == kEmpty) {
        keys_[at] = key;
        values_[at] = value;
        return;
      }
    }
  }

 private:
  static constexpr std::size_t kSize = 1024;  // four times the most colours kept
  static constexpr std::size_t kMask = kSize - 1;
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  static std::size_t hash(std::uint32_t key) { return (key * 2654435761u) >> 22; }
  std::array<std::uint32_t, kSize> keys_ = [] {
    std::array<std::uint32_t, kSize> keys{};
    keys.fill(kEmpty);
    return keys;
  }();
  std::array<std::uint32_t, kSize> values_{};
};

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  put16(b, at, v);
  put16(b, at + 2, v >> 16);
}

}  // namespace

std::optional<IndexedImage> index_by_palette(ConstByteView bits, Long width, Long height,
                                             std::span<const PaletteEntry> palette) {
  if (palette.empty() || palette.size() > kMaxPaletteColours) return std::nullopt;
  ColourIndex lookup;
  for (std::size_t i = 0; i < palette.size(); ++i)
    lookup.insert(palette[i].blue | (std::uint32_t{palette[i].green} << 8) |
                      (std::uint32_t{palette[i].red} << 16),
                  static_cast<std::uint32_t>(i));
  IndexedImage image{width, height, {palette.begin(), palette.end()}, {}};
  image.indices.resize(static_cast<std::size_t>(width) * height);
  std::uint8_t* out = image.indices.data();
  for (Long y = 0; y < height; ++y) {
    const std::uint8_t* in = bits.row(height - 1 - y).data();
    for (Long x = 0; x < width; ++x, in += 3) {
      const std::uint32_t index = lookup.find(colour_key(in));
      if (index == kNoIndex) return std::nullopt;
      *out++ = static_cast<std::uint8_t>(index);
    }
  }
  return image;
}

std::optional<IndexedImage> index_by_colours(ConstByteView bits, Long width, Long height) {
  ColourIndex lookup;
  IndexedImage image{width, height, {}, {}};
  image.indices.resize(static_cast<std::size_t>(width) * height);
  std::uint8_t* out = image.indices.data();
  for (Long y = 0; y < height; ++y) {
    const std::uint8_t* in = bits.row(height - 1 - y).data();
    for (Long x = 0; x < width; ++x, in += 3) {
      const std::uint32_t key = colour_key(in);
      std::uint32_t index = lookup.find(key);
      if (index == kNoIndex) {
        if (image.palette.size() == kMaxPaletteColours) return std::nullopt;
        index = static_cast<std::uint32_t>(image.palette.size());
        image.palette.push_back({in[2], in[1], in[0], 0});
        lookup.insert(key, index);
      }
      *out++ = static_cast<std::uint8_t>(index);
    }
  }
  return image;
}

std::vector<std::uint8_t> pack_indices(const IndexedImage& image, unsigned bits) {
  const std::size_t width = static_cast<std::size_t>(image.width);
  const std::size_t row_bytes = (width * bits + 7) / 8;
  std::vector<std::uint8_t> rows(row_bytes * static_cast<std::size_t>(image.height), 0);
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y) {
    const std::uint8_t* in = image.indices.data() + y * width;
    std::uint8_t* out = rows.data() + y * row_bytes;
    if (bits == 8) {
      std::memcpy(out, in, width);
      continue;
    }
    for (std::size_t x = 0; x < width; ++x)
      out[x / 2] = static_cast<std::uint8_t>(out[x / 2] | (in[x] << ((x & 1) != 0 ? 0 : 4)));
  }
  return rows;
}

std::vector<std::uint8_t> encode_paletted_bitmap(const IndexedImage& image) {
  const unsigned bits = image.palette.size() <= kMaxNibbleColours ? 4 : 8;
  const std::size_t row_bytes = (static_cast<std::size_t>(image.width) * bits + 7) / 8;
  const std::size_t stride = (row_bytes + 3) / 4 * 4;
  const std::size_t table = 4 * image.palette.size();
  const std::size_t offset = 14 + 40 + table;
  const std::size_t size = offset + stride * static_cast<std::size_t>(image.height);
  std::vector<std::uint8_t> b(size, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, static_cast<std::uint32_t>(size));
  put32(b, 10, static_cast<std::uint32_t>(offset));
  put32(b, 14, 40);
  put32(b, 18, static_cast<std::uint32_t>(image.width));
  put32(b, 22, static_cast<std::uint32_t>(image.height));
  put16(b, 26, 1);
  put16(b, 28, bits);
  put32(b, 34, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(image.height)));
  put32(b, 46, static_cast<std::uint32_t>(image.palette.size()));
  for (std::size_t i = 0; i < image.palette.size(); ++i) {
    b[54 + 4 * i] = image.palette[i].blue;
    b[54 + 4 * i + 1] = image.palette[i].green;
    b[54 + 4 * i + 2] = image.palette[i].red;
  }
  const std::vector<std::uint8_t> rows = pack_indices(image, bits);
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y)  // bottom row first
    std::memcpy(&b[offset + stride * (static_cast<std::size_t>(image.height) - 1 - y)],
                &rows[row_bytes * y], row_bytes);
  return b;
}

}  // namespace zentrik
