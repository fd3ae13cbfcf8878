// The nearest-colour map against its definition: standard tables exhaustively, random tables
// with repeated and tying entries, and whole images through paletted blits.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "graphics_support.h"
#include "platform/nearest_colour.h"

namespace zentrik {
namespace {

using test::quad;

// Nearest halftone level per channel: separable distances, ties to the lower level.
int halftone_level(int v) {
  constexpr int kLevels[5] = {0, 64, 128, 192, 255};
  int best = 0;
  for (int i = 1; i < 5; ++i) {
    if (std::abs(v - kLevels[i]) < std::abs(v - kLevels[best])) best = i;
  }
  return best;
}

TEST(NearestColourMap, HalftoneTableMatchesEveryColour) {
  const auto table = test::halftone_table();
  const NearestColourMap map(table);
  for (int r = 0; r < 256; ++r) {
    for (int g = 0; g < 256; ++g) {
      for (int b = 0; b < 256; ++b) {
        const int expected = halftone_level(r) + 5 * halftone_level(g) + 25 * halftone_level(b);
        const Byte got =
            map.nearest(static_cast<Byte>(r), static_cast<Byte>(g), static_cast<Byte>(b));
        if (got != expected) {
          FAIL() << "colour " << r << "," << g << "," << b << ": " << int{got} << " not "
                 << expected;
        }
      }
    }
  }
}

TEST(NearestColourMap, SixteenColourTableMatchesEveryColour) {
  const auto table = test::sixteen_colour_table();
  const NearestColourMap map(table);
  for (int r = 0; r < 256; ++r) {
    for (int g = 0; g < 256; ++g) {
      for (int b = 0; b < 256; ++b) {
        const Byte want = nearest_colour_reference(table, static_cast<Byte>(r),
                                                   static_cast<Byte>(g), static_cast<Byte>(b));
        const Byte got =
            map.nearest(static_cast<Byte>(r), static_cast<Byte>(g), static_cast<Byte>(b));
        if (got != want) FAIL() << "colour " << r << "," << g << "," << b;
      }
    }
  }
}

TEST(NearestColourMap, ReferenceTakesLowestIndexOnTies) {
  const std::vector<RgbQuad> table{quad(10, 0, 0), quad(0, 0, 0), quad(20, 0, 0), quad(0, 0, 0)};
  EXPECT_EQ(nearest_colour_reference(table, 5, 0, 0), 0);   // 10 and 0 are both 5 away
  EXPECT_EQ(nearest_colour_reference(table, 15, 0, 0), 0);  // 10 and 20 tie
  EXPECT_EQ(nearest_colour_reference(table, 1, 0, 0), 1);   // black: the first black entry
  EXPECT_EQ(nearest_colour_reference({}, 1, 2, 3), 0);
}

struct RandomTableCase {
  std::uint32_t seed;
  std::size_t size;
};

class NearestColourRandom : public ::testing::TestWithParam<RandomTableCase> {};

TEST_P(NearestColourRandom, EqualsReferenceForRandomAndTyingColours) {
  std::mt19937 rng(GetParam().seed);
  const auto table = test::random_table(rng, GetParam().size);
  const NearestColourMap map(table);
  std::uniform_int_distribution<int> byte(0, 255);
  auto check = [&](int r, int g, int b) {
    const auto R = static_cast<Byte>(r), G = static_cast<Byte>(g), B = static_cast<Byte>(b);
    ASSERT_EQ(map.nearest(R, G, B), nearest_colour_reference(table, R, G, B))
        << "colour " << r << "," << g << "," << b << " table size " << table.size();
  };
  for (int i = 0; i < 20000; ++i) check(byte(rng), byte(rng), byte(rng));
  // Midpoints between pairs of entries lie at equal distance from both.
  for (std::size_t i = 0; i + 1 < table.size(); ++i) {
    const RgbQuad& a = table[i];
    const RgbQuad& b = table[(i * 7 + 3) % table.size()];
    check((a.rgbRed + b.rgbRed) / 2, (a.rgbGreen + b.rgbGreen) / 2, (a.rgbBlue + b.rgbBlue) / 2);
  }
  // The entries themselves and their neighbours.
  for (const RgbQuad& e : table) {
    for (int d = -1; d <= 1; ++d) {
      check(std::clamp(e.rgbRed + d, 0, 255), e.rgbGreen, std::clamp(e.rgbBlue - d, 0, 255));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, NearestColourRandom,
                         ::testing::Values(RandomTableCase{1, 1}, RandomTableCase{2, 2},
                                           RandomTableCase{3, 3}, RandomTableCase{4, 7},
                                           RandomTableCase{5, 16}, RandomTableCase{6, 16},
                                           RandomTableCase{7, 40}, RandomTableCase{8, 100},
                                           RandomTableCase{9, 236}, RandomTableCase{10, 256},
                                           RandomTableCase{11, 256}, RandomTableCase{12, 256}));

TEST(NearestColourMap, GreyRampWithDuplicatesAndClusters) {
  // Closely packed entries and long runs of one colour: many candidates per cell.
  std::vector<RgbQuad> table;
  for (int i = 0; i < 64; ++i) {
    const auto v = static_cast<Byte>(100 + i / 2);
    table.push_back(quad(v, v, static_cast<Byte>(v + (i & 1))));
  }
  for (int i = 0; i < 64; ++i) table.push_back(quad(0, 0, 0));
  const NearestColourMap map(table);
  for (int r = 0; r < 256; r += 3) {
    for (int g = 0; g < 256; g += 3) {
      for (int b = 0; b < 256; ++b) {
        const auto R = static_cast<Byte>(r), G = static_cast<Byte>(g), B = static_cast<Byte>(b);
        ASSERT_EQ(map.nearest(R, G, B), nearest_colour_reference(table, R, G, B));
      }
    }
  }
}

TEST(NearestColourMap, EmptyAndSingleEntryTables) {
  const NearestColourMap empty(std::span<const RgbQuad>{});
  EXPECT_EQ(empty.nearest(200, 100, 50), 0);
  const std::vector<RgbQuad> one{quad(1, 2, 3)};
  EXPECT_EQ(NearestColourMap(one).nearest(255, 255, 255), 0);
  const std::vector<RgbQuad> same(5, quad(9, 9, 9));
  EXPECT_EQ(NearestColourMap(same).nearest(0, 0, 0), 0);
}

TEST(NearestColourMap, UsesOnlyTheFirst256Entries) {
  std::vector<RgbQuad> table(256, quad(0, 0, 0));
  table.push_back(quad(255, 255, 255));  // entry 256 cannot be an 8-bit index
  EXPECT_EQ(NearestColourMap(table).nearest(255, 255, 255), 0);
  EXPECT_EQ(NearestColourMap(table).table().size(), 257u);
}

TEST(NearestColourMap, MapPixelsReadsThreeAndFourByteLayouts) {
  const auto table = test::sixteen_colour_table();
  const NearestColourMap map(table);
  const std::vector<Byte> bgr{255, 0, 0, 0, 200, 0, 130, 130, 130};
  const std::vector<Byte> bgrx{255, 0, 0, 99, 0, 200, 0, 99, 130, 130, 130, 99};
  std::vector<Byte> out3(3), out4(3);
  map.map_pixels(bgr, 3, out3);
  map.map_pixels(bgrx, 4, out4);
  EXPECT_EQ(out3, (std::vector<Byte>{12, 10, 8}));  // blue, green, grey 128
  EXPECT_EQ(out4, out3);
}

TEST(NearestColourMap, ForTableReturnsOneMapPerDistinctTable) {
  const auto a = test::sixteen_colour_table();
  auto b = a;
  const NearestColourMap& first = NearestColourMap::for_table(a);
  EXPECT_EQ(&first, &NearestColourMap::for_table(b));
  EXPECT_EQ(NearestColourMap::shared_for_table(b).get(), &first);
  b[3] = quad(1, 2, 3);
  EXPECT_NE(&first, &NearestColourMap::for_table(b));
}

// Every cell of the colour cube, then many more colours: past the number of cells whose answers
// are kept, the remaining cells are answered by scanning and must agree too.
TEST(NearestColourMap, ExactInEveryCellOfARandomTable) {
  std::mt19937 rng(99);
  const auto table = test::random_table(rng, 256);
  const NearestColourMap map(table);
  std::uniform_int_distribution<int> offset(0, 7);
  for (int r = 0; r < 256; r += 8) {
    for (int g = 0; g < 256; g += 8) {
      for (int b = 0; b < 256; b += 8) {
        const auto R = static_cast<Byte>(r + offset(rng)), G = static_cast<Byte>(g + offset(rng)),
                   B = static_cast<Byte>(b + offset(rng));
        ASSERT_EQ(map.nearest(R, G, B), nearest_colour_reference(table, R, G, B));
      }
    }
  }
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < 50000; ++i) {
    const auto R = static_cast<Byte>(byte(rng)), G = static_cast<Byte>(byte(rng)),
               B = static_cast<Byte>(byte(rng));
    ASSERT_EQ(map.nearest(R, G, B), nearest_colour_reference(table, R, G, B));
  }
}

// Cells are refined on first use; threads sharing one map still get exact answers.
TEST(NearestColourMap, ConcurrentFirstUseIsExact) {
  std::mt19937 rng(123);
  const auto table = test::random_table(rng, 200);
  const NearestColourMap map(table);
  std::vector<Byte> pixels(3 * 40000);
  for (auto& p : pixels) p = static_cast<Byte>(rng());
  std::vector<Byte> a(40000), b(40000);
  std::thread other([&] { map.map_pixels(pixels, 3, b); });
  map.map_pixels(pixels, 3, a);
  other.join();
  for (std::size_t i = 0; i < a.size(); ++i) {
    const Byte want =
        nearest_colour_reference(table, pixels[3 * i + 2], pixels[3 * i + 1], pixels[3 * i]);
    ASSERT_EQ(a[i], want);
    ASSERT_EQ(b[i], want);
  }
}

struct ImageCase {
  Long bits;
  std::size_t tableSize;
  std::uint32_t seed;
};

class NearestColourImage : public ::testing::TestWithParam<ImageCase> {};

// Random images through BitBlt into a paletted section: every index is the reference's.
TEST_P(NearestColourImage, BlitIndicesEqualReference) {
  const auto [bits, tableSize, seed] = GetParam();
  std::mt19937 rng(seed);
  const auto table = test::random_table(rng, tableSize);
  constexpr Long kWidth = 37, kHeight = 23;
  test::TestDib source(kWidth, kHeight, 24);
  test::fill_random(source, rng);
  test::TestDib target(kWidth, kHeight, bits, table);
  ASSERT_TRUE(is_true(BitBlt(target.dc(), 0, 0, kWidth, kHeight, source.dc(), 0, 0, SRCCOPY)));
  for (Long y = 0; y < kHeight; ++y) {
    for (Long x = 0; x < kWidth; ++x) {
      const std::uint8_t* s = source.bits() + y * source.stride() + 3 * x;
      const std::uint8_t* row = target.bits() + y * target.stride();
      const int index = bits == 8 ? row[x] : (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
      ASSERT_EQ(index, nearest_colour_reference(table, s[2], s[1], s[0]))
          << "pixel " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Images, NearestColourImage,
                         ::testing::Values(ImageCase{8, 256, 21}, ImageCase{8, 100, 22},
                                           ImageCase{8, 9, 23}, ImageCase{4, 16, 24},
                                           ImageCase{4, 5, 25}));

}  // namespace
}  // namespace zentrik
