// The bitmap reader: round trips of every depth and awkward widths both ways up, files written
// out by hand, the oddities real writers produce, and every kind of broken file.
#include "zentrik/bmpread/BitmapReader.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "bitmap_bytes.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik {
namespace {

using testing::Bgr;
using testing::BitmapShape;

Bgr pixel(const BitmapImage& image, int x, int row) {
  const std::size_t at = static_cast<std::size_t>(row) * image.stride + 3 * x;
  return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
}

std::vector<Bgr> random_palette(std::size_t count, std::mt19937& random) {
  std::vector<Bgr> palette(count);
  for (Bgr& c : palette)
    c = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
         static_cast<std::uint8_t>(random())};
  return palette;
}

struct RoundTrip {
  std::uint16_t bits;
  std::int32_t width;
  bool top_down;
};

class BitmapRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(BitmapRoundTrip, EveryPixelComesBackBottomUpWithZeroPadding) {
  const auto [bits, width, top_down] = GetParam();
  std::mt19937 random(static_cast<unsigned>(bits * 1000 + width));
  BitmapShape shape;
  shape.width = width;
  shape.height = 5;
  shape.bits = bits;
  shape.top_down = top_down;
  if (bits <= 8) shape.palette = random_palette(std::size_t{1} << bits, random);
  const std::uint32_t limit = bits <= 8 ? (1u << bits) : (1u << 24);
  std::vector<std::uint32_t> values(static_cast<std::size_t>(width) * shape.height);
  for (auto& v : values) v = random() % limit;
  const auto value = [&](int x, int row) { return values[row * width + x]; };

  const BitmapImage image = read_bitmap(testing::bitmap_bytes(shape, value));
  ASSERT_EQ(image.width, width);
  ASSERT_EQ(image.height, 5);
  ASSERT_EQ(image.stride, (3 * width + 3) / 4 * 4);
  ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(image.stride) * 5);
  for (int row = 0; row < 5; ++row) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = value(x, row);
      const Bgr expected =
          bits <= 8 ? shape.palette[v]
                    : Bgr{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                          static_cast<std::uint8_t>(v >> 16)};
      ASSERT_EQ(pixel(image, x, row), expected) << "x " << x << " row " << row;
    }
    for (int pad = 3 * width; pad < image.stride; ++pad)
      EXPECT_EQ(image.pixels[static_cast<std::size_t>(row) * image.stride + pad], 0);
  }
}

std::vector<RoundTrip> round_trips() {
  std::vector<RoundTrip> cases;
  for (std::uint16_t bits : {1, 4, 8, 24, 32})
    for (std::int32_t width : {1, 2, 3, 5, 321})
      for (bool top_down : {false, true}) cases.push_back({bits, width, top_down});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Depths, BitmapRoundTrip, ::testing::ValuesIn(round_trips()),
                         [](const auto& info) {
                           return std::to_string(info.param.bits) + "bit_w" +
                                  std::to_string(info.param.width) +
                                  (info.param.top_down ? "_topdown" : "_bottomup");
                         });

// Error number and description of reading `bytes`; "" when it reads.
std::string failure_of(const std::vector<std::uint8_t>& bytes) {
  try {
    read_bitmap(bytes);
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), kInvalidPicture);
    EXPECT_EQ(error.source(), "libzentrik_bmpread");
    return error.description();
  }
  return "";
}

TEST(BitmapReader, ReadsA24BitFileWrittenOutByHand) {
  // 2 x 2, bottom-up: bottom row blue, green; top row red, white; 2 bytes of padding a row.
  const std::vector<std::uint8_t> file = {
      'B', 'M', 70,  0,   0,   0,   0, 0, 0, 0, 54, 0, 0, 0,  // file header
      40,  0,   0,   0,   2,   0,   0, 0, 2, 0, 0,  0, 1, 0,
      24,  0,   0,   0,   0,   0,  // information header
      16,  0,   0,   0,   0,   0,   0, 0, 0, 0, 0,  0, 0, 0,
      0,   0,   0,   0,   0,   0,           // ... 40 bytes
      255, 0,   0,   0,   255, 0,   7, 7,   // blue, green, padding
      0,   0,   255, 255, 255, 255, 7, 7};  // red, white, padding
  const BitmapImage image = read_bitmap(file);
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 2);
  ASSERT_EQ(image.stride, 8);
  EXPECT_EQ(pixel(image, 0, 0), (Bgr{255, 0, 0}));
  EXPECT_EQ(pixel(image, 1, 0), (Bgr{0, 255, 0}));
  EXPECT_EQ(pixel(image, 0, 1), (Bgr{0, 0, 255}));
  EXPECT_EQ(pixel(image, 1, 1), (Bgr{255, 255, 255}));
  EXPECT_EQ(image.pixels[6], 0);  // the file's padding bytes are not copied
}

TEST(BitmapReader, ReadsA4BitTopDownFileWrittenOutByHand) {
  // 3 x 2, top-down, two table entries (black, yellow); indices high nibble first.
  const std::vector<std::uint8_t> file = {'B',  'M',  70, 0, 0, 0,   0,   0, 0,    0,    62,
                                          0,    0,    0,  // file header
                                          40,   0,    0,  0, 3, 0,   0,   0, 0xFE, 0xFF, 0xFF,
                                          0xFF, 1,    0,  4, 0, 0,   0,   0, 0,  // height -2
                                          8,    0,    0,  0, 0, 0,   0,   0, 0,    0,    0,
                                          0,    2,    0,  0, 0, 0,   0,   0, 0,  // 2 colours used
                                          0,    0,    0,  0, 0, 255, 255, 0,     // black, yellow
                                          0x10, 0x00, 0,  0,                     // top: Y . .
                                          0x01, 0x10, 0,  0};                    // bottom: . Y Y
  const BitmapImage image = read_bitmap(file);
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  const Bgr yellow{0, 255, 255}, black{0, 0, 0};
  EXPECT_EQ(pixel(image, 0, 1), yellow);  // row 1 is the top row
  EXPECT_EQ(pixel(image, 1, 1), black);
  EXPECT_EQ(pixel(image, 2, 1), black);
  EXPECT_EQ(pixel(image, 0, 0), black);
  EXPECT_EQ(pixel(image, 1, 0), yellow);
  EXPECT_EQ(pixel(image, 2, 0), yellow);
}

const auto kStripes = [](int x, int row) { return static_cast<std::uint32_t>((x + row) % 4); };

BitmapShape paletted_3x2() {
  BitmapShape shape;
  shape.width = 3;
  shape.height = 2;
  shape.bits = 8;
  shape.palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
  shape.colours_used = 4;
  return shape;
}

TEST(BitmapReader, IndicesBeyondTheColourTableReadAsBlack) {
  BitmapShape shape = paletted_3x2();
  shape.palette.resize(2);
  shape.colours_used = 2;
  const BitmapImage image = read_bitmap(testing::bitmap_bytes(shape, kStripes));
  EXPECT_EQ(pixel(image, 1, 0), (Bgr{4, 5, 6}));
  EXPECT_EQ(pixel(image, 2, 0), (Bgr{0, 0, 0}));  // index 2 of a 2-entry table
}

TEST(BitmapReader, AcceptsWhatRealWritersProduce) {
  for (std::uint32_t header : {52u, 56u, 108u, 124u}) {  // later header versions
    BitmapShape shape = paletted_3x2();
    shape.header_size = header;
    EXPECT_EQ(pixel(read_bitmap(testing::bitmap_bytes(shape, kStripes)), 2, 1), (Bgr{10, 11, 12}))
        << header;
  }
  BitmapShape unpadded = paletted_3x2();
  unpadded.last_row_unpadded = true;
  EXPECT_EQ(pixel(read_bitmap(testing::bitmap_bytes(unpadded, kStripes)), 2, 1), (Bgr{10, 11, 12}));

  auto no_offset = testing::bitmap_bytes(paletted_3x2(), kStripes);
  testing::put32(no_offset, 10, 0);  // pixels follow the colour table
  EXPECT_EQ(pixel(read_bitmap(no_offset), 2, 1), (Bgr{10, 11, 12}));

  BitmapShape with_table = paletted_3x2();  // a 24-bit file may carry a table: it is skipped
  with_table.bits = 24;
  const BitmapImage image =
      read_bitmap(testing::bitmap_bytes(with_table, [](int, int) { return 0x112233u; }));
  EXPECT_EQ(pixel(image, 0, 0), (Bgr{0x33, 0x22, 0x11}));
}

using Mutation = std::function<void(std::vector<std::uint8_t>&)>;

struct Broken {
  const char* name;
  Mutation mutate;
  const char* message;
};

class BrokenBitmap : public ::testing::TestWithParam<Broken> {};

TEST_P(BrokenBitmap, IsRefusedWithAClearMessage) {
  auto bytes = testing::bitmap_bytes(paletted_3x2(), kStripes);
  GetParam().mutate(bytes);
  EXPECT_EQ(failure_of(bytes), GetParam().message);
}

Mutation set32(std::size_t at, std::uint32_t value) {
  return [=](std::vector<std::uint8_t>& b) { testing::put32(b, at, value); };
}
Mutation set16(std::size_t at, std::uint32_t value) {
  return [=](std::vector<std::uint8_t>& b) { testing::put16(b, at, value); };
}
Mutation keep(std::size_t size) {
  return [=](std::vector<std::uint8_t>& b) { b.resize(size); };
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenBitmap,
    ::testing::Values(
        Broken{"empty", keep(0), "not a bitmap file"},
        Broken{"one_byte", keep(1), "not a bitmap file"},
        Broken{"wrong_magic", [](auto& b) { b[1] = 'A'; }, "not a bitmap file"},
        Broken{"magic_only", keep(2), "truncated bitmap header"},
        Broken{"no_header_size", keep(17), "truncated bitmap header"},
        Broken{"short_header", keep(40), "truncated bitmap header"},
        Broken{"os2_header", set32(14, 12), "unsupported bitmap header (12 bytes)"},
        Broken{"huge_header", set32(14, 0xFFFFFFF0u),
               "unsupported bitmap header (4294967280 bytes)"},
        Broken{"jpeg", set32(30, 4), "unsupported compression (JPEG)"},
        Broken{"rle4_of_8_bits", set32(30, 2), "bad bit depth for RLE4 (8 bits per pixel)"},
        Broken{"bitfields_of_8_bits", set32(30, 3),
               "bad bit depth for bit fields (8 bits per pixel)"},
        Broken{"odd_compression", set32(30, 77), "unsupported compression (77)"},
        Broken{"2_bits", set16(28, 2), "unsupported bit depth (2 bits per pixel)"},
        Broken{"0_bits", set16(28, 0), "unsupported bit depth (0 bits per pixel)"},
        Broken{"zero_width", set32(18, 0), "bad bitmap size (0 x 2)"},
        Broken{"negative_width", set32(18, static_cast<std::uint32_t>(-3)),
               "bad bitmap size (-3 x 2)"},
        Broken{"zero_height", set32(22, 0), "bad bitmap size (3 x 0)"},
        Broken{"most_negative_height", set32(22, 0x80000000u), "bitmap too large (3 x 2147483648)"},
        Broken{"wide", set32(18, 16385), "bitmap too large (16385 x 2)"},
        Broken{"tall", set32(22, 16385), "bitmap too large (3 x 16385)"},
        Broken{"largest_but_no_data",
               [](auto& b) {
                 testing::put32(b, 18, 16384);
                 testing::put32(b, 22, 16384);
               },
               "truncated pixel data"},
        Broken{"table_too_big", set32(46, 257), "bad colour table size (257 entries)"},
        Broken{"table_cut", keep(14 + 40 + 10), "truncated colour table"},
        Broken{"full_table_in_short_file", set32(46, 256), "truncated colour table"},
        Broken{"offset_in_header", set32(10, 20), "bad pixel data offset"},
        Broken{"offset_in_table", set32(10, 14 + 40 + 4), "bad pixel data offset"},
        Broken{"offset_past_end", set32(10, 0xFFFFFFFFu), "truncated pixel data"},
        Broken{"pixels_cut", [](auto& b) { b.resize(b.size() > 2 ? b.size() - 2 : 0); }, "truncated pixel data"},
        Broken{"pixels_missing", keep(14 + 40 + 16), "truncated pixel data"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BitmapReader, SurvivesEveryTruncationAndByteFlip) {
  const auto good = testing::bitmap_bytes(paletted_3x2(), kStripes);
  // The last byte is the last row's padding, which may be left out.
  for (std::size_t size = 0; size + 1 < good.size(); ++size) {
    const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
    EXPECT_NE(failure_of(cut), "") << "size " << size;  // nothing short of the whole file reads
  }
  std::mt19937 random(3);
  for (int round = 0; round < 2000; ++round) {
    auto bytes = good;
    for (int flips = 0; flips < 3; ++flips)
      bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    try {
      const BitmapImage image = read_bitmap(bytes);
      EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.stride) * image.height);
    } catch (const AutomationError&) {
    }
  }
}

// Run-length data written by hand: runs, a literal with its pad byte, a delta, a run past the
// row's end, and end of bitmap; skipped pixels take the table's first colour.
std::vector<std::uint8_t> run_length_file(std::uint32_t compression, std::uint16_t bits,
                                          const std::vector<std::uint8_t>& data) {
  BitmapShape shape;
  shape.width = 5;
  shape.height = 3;
  shape.bits = bits;
  shape.compression = compression;
  shape.palette = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  shape.colours_used = 4;
  auto bytes = testing::bitmap_bytes(shape, [](int, int) { return 0u; });
  bytes.resize(14 + 40 + 16);  // the pixels are the run-length data alone
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

std::vector<std::uint8_t> grey_levels(const BitmapImage& image) {
  std::vector<std::uint8_t> levels;
  for (int row = 0; row < image.height; ++row)
    for (int x = 0; x < image.width; ++x) levels.push_back(pixel(image, x, row)[0]);
  return levels;
}

TEST(BitmapReader, DecodesRunLengths) {
  // RLE8: row 0 = run 2 of 1, literal 3 (2 3 1, one pad byte), end of line; row 1 = delta 2
  // right, run 9 of 3 (cut at the row's end); end of bitmap leaves row 2 at index 0.
  const auto rle8 = run_length_file(1, 8, {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 0, 9, 3, 0, 1});
  EXPECT_EQ(grey_levels(read_bitmap(rle8)),
            (std::vector<std::uint8_t>{1, 1, 2, 3, 1, 0, 0, 3, 3, 3, 0, 0, 0, 0, 0}));
  // RLE4: run 5 of the pair 1,2; end of line; literal 3 nibbles 3 2 1 (two bytes, no pad).
  const auto rle4 = run_length_file(2, 4, {5, 0x12, 0, 0, 0, 3, 0x32, 0x10, 0, 1});
  EXPECT_EQ(grey_levels(read_bitmap(rle4)),
            (std::vector<std::uint8_t>{1, 2, 1, 2, 1, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(failure_of(run_length_file(1, 8, {0, 5, 1, 2})), "truncated RLE data");
  EXPECT_EQ(failure_of(run_length_file(1, 8, {0, 2, 1})), "truncated RLE data");
}

TEST(BitmapReader, DecodesBitFields) {
  // 16 bits 5-6-5 and 32 bits with the channels in an unusual order; plain 16 bits are 5-5-5.
  const auto file = [](std::uint16_t bits, std::uint32_t compression,
                       std::array<std::uint32_t, 3> masks, std::uint32_t value) {
    BitmapShape shape;
    shape.bits = bits;
    shape.compression = compression;
    shape.header_size = 56;
    auto bytes = testing::bitmap_bytes(shape, [=](int, int) { return value; });
    for (int i = 0; i < 3; ++i) testing::put32(bytes, 54 + 4 * i, masks[i]);
    return read_bitmap(bytes);
  };
  EXPECT_EQ(pixel(file(16, 3, {0xF800, 0x07E0, 0x001F}, 0xF81F), 0, 0), (Bgr{255, 0, 255}));
  EXPECT_EQ(pixel(file(16, 3, {0xF800, 0x07E0, 0x001F}, 0x0841), 0, 0), (Bgr{8, 8, 8}));
  EXPECT_EQ(pixel(file(16, 0, {0, 0, 0}, 0x7C00), 0, 0), (Bgr{0, 0, 255}));
  EXPECT_EQ(pixel(file(32, 3, {0xFF, 0xFF00, 0xFF0000}, 0x123456), 0, 0), (Bgr{0x12, 0x34, 0x56}));
  EXPECT_EQ(failure_of(testing::bitmap_bytes(
                [] {
                  BitmapShape shape;
                  shape.bits = 16;
                  shape.compression = 3;
                  shape.header_size = 56;
                  return shape;
                }(),
                [](int, int) { return 0u; })),
            "bad bit fields (red 0, green 0, blue 0)");
}

}  // namespace
}  // namespace zentrik
