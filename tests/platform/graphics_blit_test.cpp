// BitBlt: conversions between every pair of formats, clipping, overlapping copies within one
// surface, and the operations and handles it refuses.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "graphics_support.h"
#include "platform/nearest_colour.h"
#include "platform/pixel_convert.h"

namespace zentrik {
namespace {

using test::quad;

// A surface of one of the four formats, filled with a seeded pattern, that tests can read back.
class AnySurface {
 public:
  AnySurface(Long bits, Long width, Long height, std::span<const RgbQuad> table)
      : bits_(bits), width_(width), height_(height) {
    if (bits == 32) {
      surface_ = std::make_unique<test::TestSurface>(width, height);
    } else {
      dib_ = std::make_unique<test::TestDib>(width, height, bits, table);
    }
  }
  HDC dc() const { return dib_ ? dib_->dc() : surface_->dc(); }
  Long bits() const { return bits_; }

  // Random content: random bytes for DIBs (any index, even beyond a short table), random colours
  // painted through SetDIBitsToDevice for the display format.
  void randomise(std::mt19937& rng) {
    if (dib_) {
      for (auto& b : dib_->bytes()) b = static_cast<std::uint8_t>(rng());
      return;
    }
    test::TestDib colours(width_, height_, 24);
    test::fill_random(colours, rng);
    BitmapInfoHeader header;
    header.biWidth = width_;
    header.biHeight = height_;
    header.biBitCount = 24;
    SetDIBitsToDevice(dc(), 0, 0, width_, height_, colours.bits(), header);
  }

  // The raw index at (x, y) of a paletted DIB, top-down.
  int index(Long x, Long y) const {
    const std::uint8_t* row = dib_->bits() + (height_ - 1 - y) * dib_->stride();
    return bits_ == 8 ? row[x] : (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
  }

  std::vector<ColorRef> pixels() const {
    std::vector<ColorRef> out;
    for (Long y = 0; y < height_; ++y) {
      for (Long x = 0; x < width_; ++x) out.push_back(GetPixel(dc(), x, y));
    }
    return out;
  }

 private:
  Long bits_, width_, height_;
  std::unique_ptr<test::TestSurface> surface_;
  std::unique_ptr<test::TestDib> dib_;
};

std::vector<RgbQuad> table_for(Long bits, std::mt19937& rng) {
  if (bits == 4) return test::sixteen_colour_table();
  if (bits == 8) return test::random_table(rng, 200);  // short table: indices 200+ read black
  return {};
}

RgbQuad colour_of(ColorRef c) {
  return quad(GetRValue(c), GetGValue(c), GetBValue(c));
}

struct FormatPair {
  Long from;
  Long to;
};

class BlitFormats : public ::testing::TestWithParam<FormatPair> {};

TEST_P(BlitFormats, EveryPixelConvertsExactly) {
  const auto [from, to] = GetParam();
  std::mt19937 rng(static_cast<std::uint32_t>(from * 100 + to));
  const auto sourceTable = table_for(from, rng);
  const auto targetTable = table_for(to, rng);
  constexpr Long kWidth = 19, kHeight = 11;  // odd: 4-bit rows end in half a byte
  AnySurface source(from, kWidth, kHeight, sourceTable);
  AnySurface target(to, kWidth, kHeight, targetTable);
  source.randomise(rng);
  ASSERT_TRUE(is_true(BitBlt(target.dc(), 0, 0, kWidth, kHeight, source.dc(), 0, 0, SRCCOPY)));
  const auto in = source.pixels();
  const auto out = target.pixels();
  for (Long i = 0; i < kWidth * kHeight; ++i) {
    const Long x = i % kWidth, y = i / kWidth;
    ColorRef expected = in[i];
    if (to <= 8) {
      const RgbQuad c = colour_of(in[i]);
      const Byte index = nearest_colour_reference(targetTable, c.rgbRed, c.rgbGreen, c.rgbBlue);
      ASSERT_EQ(target.index(x, y), index) << "pixel " << x << "," << y;
      const RgbQuad& e = targetTable[index];
      expected = RGB(e.rgbRed, e.rgbGreen, e.rgbBlue);
    }
    ASSERT_EQ(out[i], expected) << "pixel " << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(AllPairs, BlitFormats, ::testing::ValuesIn([] {
                           std::vector<FormatPair> pairs;
                           for (Long a : {32, 24, 8, 4}) {
                             for (Long b : {32, 24, 8, 4}) pairs.push_back({a, b});
                           }
                           return pairs;
                         }()),
                         [](const auto& info) {
                           return std::to_string(info.param.from) + "to" +
                                  std::to_string(info.param.to);
                         });

// Every start column and width of a short row, between every pair of formats: nothing outside
// the block changes, every pixel inside converts.
TEST(BlitRows, EveryOffsetAndWidthWritesExactlyTheBlock) {
  std::mt19937 rng(31);
  const auto table16 = test::sixteen_colour_table();
  const auto table256 = test::random_table(rng, 256);
  auto table_of = [&](Long bits) {
    return bits == 4 ? std::span<const RgbQuad>(table16) : std::span<const RgbQuad>(table256);
  };
  for (Long from : {32, 24, 8, 4}) {
    for (Long to : {32, 24, 8, 4}) {
      AnySurface source(from, 9, 1, table_of(from));
      AnySurface target(to, 9, 1, table_of(to));
      source.randomise(rng);
      for (Long srcX = 0; srcX < 4; ++srcX) {
        for (Long x = 0; x < 4; ++x) {
          for (Long w = 1; w <= 5; ++w) {
            target.randomise(rng);
            const auto in = source.pixels();
            const auto before = target.pixels();
            ASSERT_TRUE(is_true(BitBlt(target.dc(), x, 0, w, 1, source.dc(), srcX, 0, SRCCOPY)));
            const auto after = target.pixels();
            for (Long i = 0; i < 9; ++i) {
              ColorRef want = before[i];
              if (i >= x && i < x + w) {
                want = in[i - x + srcX];
                if (to <= 8) {
                  const RgbQuad c = colour_of(want);
                  const RgbQuad& e = table_of(
                      to)[nearest_colour_reference(table_of(to), c.rgbRed, c.rgbGreen, c.rgbBlue)];
                  want = RGB(e.rgbRed, e.rgbGreen, e.rgbBlue);
                }
              }
              ASSERT_EQ(after[i], want) << from << " to " << to << ", block " << srcX << "->" << x
                                        << " width " << w << ", pixel " << i;
            }
          }
        }
      }
    }
  }
}

TEST(BlitRoundTrip, TwentyFourThroughDisplayFormatAndBackIsExact) {
  std::mt19937 rng(5);
  test::TestDib a(13, 7, 24), b(13, 7, 24);
  test::fill_random(a, rng);
  test::TestSurface middle(13, 7);
  ASSERT_TRUE(is_true(BitBlt(middle.dc(), 0, 0, 13, 7, a.dc(), 0, 0, SRCCOPY)));
  ASSERT_TRUE(is_true(BitBlt(b.dc(), 0, 0, 13, 7, middle.dc(), 0, 0, SRCCOPY)));
  for (Long y = 0; y < 7; ++y) {
    // Only the colour bytes: the padding of a row is never written.
    EXPECT_TRUE(std::equal(a.bits() + y * a.stride(), a.bits() + y * a.stride() + 39,
                           b.bits() + y * b.stride()));
  }
}

TEST(BlitRoundTrip, PalettedThroughTwentyFourKeepsIndices) {
  const auto table = test::sixteen_colour_table();  // distinct colours: indices come back
  test::TestDib a(9, 5, 4, table), b(9, 5, 4, table), wide(9, 5, 24);
  for (std::size_t i = 0; i < a.bytes().size(); ++i) a.bytes()[i] = static_cast<Byte>(i * 37);
  ASSERT_TRUE(is_true(BitBlt(wide.dc(), 0, 0, 9, 5, a.dc(), 0, 0, SRCCOPY)));
  ASSERT_TRUE(is_true(BitBlt(b.dc(), 0, 0, 9, 5, wide.dc(), 0, 0, SRCCOPY)));
  for (Long y = 0; y < 5; ++y) {
    for (Long x = 0; x < 9; ++x) EXPECT_EQ(GetPixel(a.dc(), x, y), GetPixel(b.dc(), x, y));
    // The four whole bytes of each row and the ninth pixel are equal; the rest is padding.
    const std::uint8_t* ra = a.bits() + y * a.stride();
    EXPECT_TRUE(std::equal(ra, ra + 4, b.bits() + y * b.stride()));
    EXPECT_EQ(ra[4] & 0xF0, b.bits()[y * b.stride() + 4] & 0xF0);
  }
}

TEST(BlitRoundTrip, SameTableCopiesIndicesEvenForRepeatedColours) {
  const auto table = test::halftone_table();  // entries 125 to 255 repeat black
  test::TestDib a(6, 2, 8, table), b(6, 2, 8, table);
  const std::vector<Byte> indices{0, 125, 200, 255, 124, 7};
  std::copy(indices.begin(), indices.end(), a.bits());
  ASSERT_TRUE(is_true(BitBlt(b.dc(), 0, 0, 6, 1, a.dc(), 0, 1, SRCCOPY)));  // top = bottom-up row 1
  EXPECT_TRUE(std::equal(indices.begin(), indices.end(), b.bits() + b.stride()));
}

TEST(BlitRoundTrip, DifferentTablesMapThroughColours) {
  const auto halftone = test::halftone_table();
  const auto sixteen = test::sixteen_colour_table();
  test::TestDib a(2, 1, 8, halftone), b(2, 1, 4, sixteen);
  a.bits()[0] = 124;  // white
  a.bits()[1] = 4;    // red 255
  ASSERT_TRUE(is_true(BitBlt(b.dc(), 0, 0, 2, 1, a.dc(), 0, 0, SRCCOPY)));
  EXPECT_EQ(b.bits()[0], 0xF9);  // white is 15, red is 9
}

// Reference model of a clipped copy between two 24-bit surfaces.
struct ClipCase {
  const char* name;
  Long x, y, w, h, xs, ys;
};

class BlitClipping : public ::testing::TestWithParam<std::tuple<ClipCase, FormatPair>> {};

TEST_P(BlitClipping, CopiesExactlyTheOverlapOfBothSurfaces) {
  const auto [c, formats] = GetParam();
  constexpr Long kSrcW = 10, kSrcH = 8, kDstW = 7, kDstH = 6;
  std::mt19937 rng(77);
  AnySurface source(formats.from, kSrcW, kSrcH, {}), target(formats.to, kDstW, kDstH, {});
  source.randomise(rng);
  target.randomise(rng);
  const std::vector<ColorRef> before = target.pixels(), in = source.pixels();
  ASSERT_TRUE(is_true(BitBlt(target.dc(), c.x, c.y, c.w, c.h, source.dc(), c.xs, c.ys, SRCCOPY)));
  const std::vector<ColorRef> after = target.pixels();
  for (Long y = 0; y < kDstH; ++y) {
    for (Long x = 0; x < kDstW; ++x) {
      const std::int64_t sx = std::int64_t{x} - c.x + c.xs, sy = std::int64_t{y} - c.y + c.ys;
      const bool inside = x >= c.x && x < std::int64_t{c.x} + c.w && y >= c.y &&
                          y < std::int64_t{c.y} + c.h && sx >= 0 && sx < kSrcW && sy >= 0 &&
                          sy < kSrcH;
      const ColorRef want = inside ? in[sy * kSrcW + sx] : before[y * kDstW + x];
      ASSERT_EQ(after[y * kDstW + x], want) << c.name << " at " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rectangles, BlitClipping,
    ::testing::Combine(
        ::testing::Values(
            ClipCase{"inside", 1, 1, 3, 2, 2, 3}, ClipCase{"whole", 0, 0, 7, 6, 0, 0},
            ClipCase{"negativeTarget", -2, -3, 5, 5, 0, 0},
            ClipCase{"negativeSource", 1, 1, 5, 5, -2, -1},
            ClipCase{"bothNegative", -1, -1, 6, 6, -3, -2},
            ClipCase{"oversize", 0, 0, 1000, 1000, 0, 0}, ClipCase{"sourceEdge", 0, 0, 7, 6, 6, 5},
            ClipCase{"targetEdge", 5, 4, 9, 9, 0, 0}, ClipCase{"offTarget", 7, 0, 3, 3, 0, 0},
            ClipCase{"offSource", 0, 0, 3, 3, 10, 0}, ClipCase{"zeroWidth", 0, 0, 0, 3, 0, 0},
            ClipCase{"negativeSize", 3, 3, -2, -2, 0, 0},
            ClipCase{"hugeOffsets", 2147483000, -2147483000, 2147483647, 2147483647, 0, 0}),
        ::testing::Values(FormatPair{24, 24}, FormatPair{24, 32}, FormatPair{32, 24},
                          FormatPair{32, 32})),
    [](const auto& info) {
      const FormatPair f = std::get<1>(info.param);
      return std::string(std::get<0>(info.param).name) + "_" + std::to_string(f.from) + "to" +
             std::to_string(f.to);
    });

struct OverlapCase {
  Long bits;
  Long dx;
  Long dy;
};

class BlitOverlap : public ::testing::TestWithParam<OverlapCase> {};

// A block moved within its own surface reads every pixel before it is overwritten.
TEST_P(BlitOverlap, MovesWithinOneSurfaceAsThroughACopy) {
  const auto [bits, dx, dy] = GetParam();
  constexpr Long kW = 12, kH = 9;
  std::mt19937 rng(static_cast<std::uint32_t>(bits + dx * 10 + dy));
  const auto table =
      bits <= 8 ? test::random_table(rng, std::size_t{1} << bits) : std::vector<RgbQuad>{};
  AnySurface s(bits, kW, kH, table);
  s.randomise(rng);
  const auto before = s.pixels();
  ASSERT_TRUE(is_true(BitBlt(s.dc(), 2 + dx, 2 + dy, 7, 5, s.dc(), 2, 2, SRCCOPY)));
  const auto after = s.pixels();
  for (Long y = 0; y < kH; ++y) {
    for (Long x = 0; x < kW; ++x) {
      const bool moved = x >= 2 + dx && x < 9 + dx && y >= 2 + dy && y < 7 + dy;
      const ColorRef want = moved ? before[(y - dy) * kW + (x - dx)] : before[y * kW + x];
      ASSERT_EQ(after[y * kW + x], want) << "at " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Shifts, BlitOverlap, ::testing::ValuesIn([] {
                           std::vector<OverlapCase> cases;
                           for (Long bits : {32, 24, 8, 4}) {
                             for (Long dx : {-2, -1, 0, 1, 2}) {
                               for (Long dy : {-1, 0, 1}) cases.push_back({bits, dx, dy});
                             }
                           }
                           return cases;
                         }()));

struct RowsCase {
  Long bits;
  Long srcHeight;  // negative: top-down rows
  Long dstHeight;
  Long y, h, srcY;
};

class BlitWholeRows : public ::testing::TestWithParam<RowsCase> {};

// Rows without padding copied whole: the block lands at the right rows in either row order.
TEST_P(BlitWholeRows, LandOnTheRightRows) {
  const RowsCase c = GetParam();
  constexpr Long kW = 4;  // 4, 12 and 16 bytes a row: no padding at 8, 24 or 32 bits
  std::mt19937 rng(static_cast<std::uint32_t>(c.bits + c.y * 7 + c.srcY));
  const auto table = c.bits == 8 ? test::random_table(rng, 256) : std::vector<RgbQuad>{};
  auto make = [&](Long height) -> std::unique_ptr<AnySurface> {
    if (c.bits == 32) return std::make_unique<AnySurface>(32, kW, std::abs(height), table);
    return nullptr;
  };
  std::unique_ptr<AnySurface> srcSurface = make(c.srcHeight), dstSurface = make(c.dstHeight);
  std::unique_ptr<test::TestDib> srcDib, dstDib;
  if (c.bits != 32) {
    srcDib = std::make_unique<test::TestDib>(kW, c.srcHeight, c.bits, table);
    dstDib = std::make_unique<test::TestDib>(kW, c.dstHeight, c.bits, table);
    for (auto& v : srcDib->bytes()) v = static_cast<std::uint8_t>(rng());
    for (auto& v : dstDib->bytes()) v = static_cast<std::uint8_t>(rng());
  } else {
    srcSurface->randomise(rng);
    dstSurface->randomise(rng);
  }
  const HDC src = srcDib ? srcDib->dc() : srcSurface->dc();
  const HDC dst = dstDib ? dstDib->dc() : dstSurface->dc();
  const Long srcRows = std::abs(c.srcHeight), dstRows = std::abs(c.dstHeight);
  std::vector<ColorRef> before, source;
  for (Long y = 0; y < dstRows; ++y) {
    for (Long x = 0; x < kW; ++x) before.push_back(GetPixel(dst, x, y));
  }
  for (Long y = 0; y < srcRows; ++y) {
    for (Long x = 0; x < kW; ++x) source.push_back(GetPixel(src, x, y));
  }
  ASSERT_TRUE(is_true(BitBlt(dst, 0, c.y, kW, c.h, src, 0, c.srcY, SRCCOPY)));
  for (Long y = 0; y < dstRows; ++y) {
    const Long sy = y - c.y + c.srcY;
    const bool copied = y >= c.y && y < c.y + c.h && sy >= 0 && sy < srcRows;
    for (Long x = 0; x < kW; ++x) {
      const ColorRef want = copied ? source[sy * kW + x] : before[y * kW + x];
      ASSERT_EQ(GetPixel(dst, x, y), want) << "row " << y << " column " << x;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, BlitWholeRows,
    ::testing::Values(RowsCase{24, 6, 6, 0, 6, 0}, RowsCase{24, 6, 6, 1, 3, 2},
                      RowsCase{24, 6, 8, 5, 4, 0}, RowsCase{24, -6, 6, 1, 3, 2},
                      RowsCase{24, 6, -6, 2, 2, 1}, RowsCase{24, -6, -6, 0, 4, 2},
                      RowsCase{8, 5, 7, 2, 3, 1}, RowsCase{8, -5, -7, 2, 9, 0},
                      RowsCase{32, 5, 7, 2, 3, 1}, RowsCase{32, 7, 5, 0, 7, 0}));

TEST(BlitRefusals, OtherRasterOperationsFailAndChangeNothing) {
  test::TestDib a(4, 4, 24), b(4, 4, 24);
  std::fill(a.bytes().begin(), a.bytes().end(), 0x55);
  for (Long rop : {0x00EE0086 /*SRCPAINT*/, 0x008800C6 /*SRCAND*/, 0, -1}) {
    EXPECT_FALSE(is_true(BitBlt(b.dc(), 0, 0, 4, 4, a.dc(), 0, 0, rop)));
  }
  EXPECT_TRUE(std::all_of(b.bytes().begin(), b.bytes().end(), [](auto v) { return v == 0; }));
}

TEST(BlitRefusals, BadOrPixellessContextsFail) {
  test::TestDib a(4, 4, 24);
  const HDC display = CreateDCA("DISPLAY");
  const HDC fresh = CreateCompatibleDC(0);  // holds only the placeholder
  EXPECT_FALSE(is_true(BitBlt(a.dc(), 0, 0, 4, 4, 0, 0, 0, SRCCOPY)));
  EXPECT_FALSE(is_true(BitBlt(0, 0, 0, 4, 4, a.dc(), 0, 0, SRCCOPY)));
  EXPECT_FALSE(is_true(BitBlt(a.dc(), 0, 0, 4, 4, display, 0, 0, SRCCOPY)));
  EXPECT_FALSE(is_true(BitBlt(display, 0, 0, 4, 4, a.dc(), 0, 0, SRCCOPY)));
  EXPECT_FALSE(is_true(BitBlt(fresh, 0, 0, 4, 4, a.dc(), 0, 0, SRCCOPY)));
  EXPECT_FALSE(is_true(BitBlt(a.dc(), 0, 0, 4, 4, a.bitmap(), 0, 0, SRCCOPY)));  // not a DC
  EXPECT_EQ(GetPixel(fresh, 0, 0), 0);
  DeleteDC(fresh);
  EXPECT_FALSE(is_true(BitBlt(fresh, 0, 0, 4, 4, a.dc(), 0, 0, SRCCOPY)));  // stale handle
  DeleteDC(display);
}

TEST(SetDIBitsToDevice, PaintsClippedBottomUpRows) {
  test::TestSurface target(4, 3);
  // A 2 x 2 source, bottom-up: the first row in memory is the bottom row.
  const std::uint8_t bits[16] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  BitmapInfoHeader header;
  header.biWidth = 2;
  header.biHeight = 2;
  header.biBitCount = 24;
  EXPECT_EQ(SetDIBitsToDevice(target.dc(), 3, 1, 2, 2, bits, header), 2);
  EXPECT_EQ(GetPixel(target.dc(), 3, 1), RGB(9, 8, 7));  // top row, first pixel
  EXPECT_EQ(GetPixel(target.dc(), 3, 2), RGB(3, 2, 1));
  EXPECT_EQ(GetPixel(target.dc(), 2, 1), 0);
  header.biBitCount = 8;
  EXPECT_EQ(SetDIBitsToDevice(target.dc(), 0, 0, 2, 2, bits, header), 0);
  header.biBitCount = 24;
  EXPECT_EQ(SetDIBitsToDevice(target.dc(), 0, 0, 2, 2, nullptr, header), 0);
}

// The shuffling 24/32-bit converters write exactly the plain loops' bytes, for every start and
// length of a row, and nothing beside the block; both forms of the 24-to-32 comparison see every
// byte that differs in blue, green or red, and none of the fourth bytes.
TEST(RowKernels, ShuffledAndPlainFormsAgree) {
  if (best_row_kernels() != RowKernels::Shuffled) GTEST_SKIP() << "no byte shuffles here";
  std::mt19937 rng(17);
  std::vector<std::uint8_t> source(4 * 48), plain(4 * 48);
  for (auto& b : source) b = static_cast<std::uint8_t>(rng());
  for (const auto& [from, to] : {std::pair<Long, Long>{24, 32}, {32, 24}}) {
    for (Long srcX = 0; srcX < 4; ++srcX) {
      for (Long x = 0; x < 4; ++x) {
        for (Long count = 0; count <= 40; ++count) {
          for (auto& b : plain) b = static_cast<std::uint8_t>(rng());
          std::vector<std::uint8_t> shuffled = plain;
          row_converter(from, to, false, RowKernels::Plain)(source.data(), srcX, plain.data(), x,
                                                            count, nullptr, nullptr);
          row_converter(from, to, false, RowKernels::Shuffled)(source.data(), srcX, shuffled.data(),
                                                               x, count, nullptr, nullptr);
          ASSERT_EQ(plain, shuffled)
              << from << " to " << to << ", " << srcX << "->" << x << " count " << count;
        }
      }
    }
  }
  row_converter(24, 32, false)(source.data(), 0, plain.data(), 0, 37, nullptr, nullptr);
  for (std::size_t at = 0; at <= 4 * 37; ++at) {
    std::vector<std::uint8_t> changed = plain;
    if (at < 4 * 37) changed[at] ^= 0x40;
    for (const RowKernels kernels : {RowKernels::Plain, RowKernels::Shuffled}) {
      EXPECT_EQ(row_matcher_24_32(kernels)(source.data(), 0, changed.data(), 0, 37),
                at == 4 * 37 || at % 4 == 3)
          << "byte " << at;
    }
  }
}

// Painting what a surface shows already, or copying a whole surface onto another, leaves every
// picture as a fresh paint or copy would: later changes to either side show only there.
TEST(SetDIBitsToDevice, RepaintingOrCopyingWholeSurfacesChangesOnlyWhatItShould) {
  test::TestSurface window(6, 4), copy(6, 4);
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(dib_stride(6, 24)) * 4);
  std::mt19937 rng(3);
  for (auto& b : bits) b = static_cast<std::uint8_t>(rng());
  BitmapInfoHeader header;
  header.biWidth = 6;
  header.biHeight = 4;
  header.biBitCount = 24;
  ASSERT_EQ(SetDIBitsToDevice(window.dc(), 0, 0, 6, 4, bits.data(), header), 4);
  const ColorRef first = GetPixel(window.dc(), 5, 0);
  ASSERT_TRUE(is_true(BitBlt(copy.dc(), 0, 0, 6, 4, window.dc(), 0, 0, SRCCOPY)));
  EXPECT_EQ(SetDIBitsToDevice(window.dc(), 0, 0, 6, 4, bits.data(), header), 4);    // the same
  ASSERT_TRUE(is_true(BitBlt(window.dc(), 5, 0, 1, 1, copy.dc(), 0, 3, SRCCOPY)));  // a drawing
  EXPECT_EQ(GetPixel(copy.dc(), 5, 0), first);
  EXPECT_EQ(SetDIBitsToDevice(window.dc(), 0, 0, 6, 4, bits.data(), header), 4);
  EXPECT_EQ(GetPixel(window.dc(), 5, 0), first) << "the drawing is painted over";
  bits[2] ^= 1;  // red of the bottom row's first pixel
  EXPECT_EQ(SetDIBitsToDevice(window.dc(), 0, 0, 6, 4, bits.data(), header), 4);
  EXPECT_EQ(GetRValue(GetPixel(window.dc(), 0, 3)), bits[2]);
  EXPECT_NE(GetPixel(copy.dc(), 0, 3), GetPixel(window.dc(), 0, 3));
}

}  // namespace
}  // namespace zentrik
