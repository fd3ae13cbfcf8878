// Work by squared distance: the cell search finds what a scan of every entry finds, k-means never
// ends above its seed, and diffusion keeps the tones of a gradient that plain mapping bands.
#include "zentrik/colour/NearestMapping.h"

#include <gtest/gtest.h>

#include <random>

#include "colour/NearestColour.h"

namespace zentrik {
namespace {

std::vector<PaletteEntry> random_palette(std::size_t count, int spread, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<PaletteEntry> palette(count);
  for (PaletteEntry& e : palette)
    e = {static_cast<Byte>(100 + random() % spread), static_cast<Byte>(random() % spread),
         static_cast<Byte>(255 - random() % spread), 0};
  return palette;
}

int squared(const PaletteEntry& e, int r, int g, int b) {
  return (e.red - r) * (e.red - r) + (e.green - g) * (e.green - g) + (e.blue - b) * (e.blue - b);
}

TEST(NearestColour, FindsTheLowestNumberedNearestEntryOfAScan) {
  std::mt19937 random(7);
  for (const auto& palette :
       {random_palette(1, 156, 1), random_palette(16, 156, 2), random_palette(256, 156, 3),
        random_palette(64, 6, 4),
        std::vector<PaletteEntry>{{9, 9, 9, 0}, {9, 9, 9, 0}, {0, 0, 0, 0}}}) {
    NearestColour nearest(palette);
    for (int k = 0; k < 20000; ++k) {
      const int r = static_cast<int>(random() % 256), g = static_cast<int>(random() % 256),
                b = static_cast<int>(random() % 256);
      std::size_t best = 0;
      for (std::size_t i = 1; i < palette.size(); ++i)
        if (squared(palette[i], r, g, b) < squared(palette[best], r, g, b)) best = i;
      const auto match = nearest.Nearest(r, g, b);
      ASSERT_EQ(match.index, best) << palette.size() << ": " << r << " " << g << " " << b;
      ASSERT_EQ(static_cast<int>(match.distance), squared(palette[best], r, g, b));
    }
  }
}

std::vector<std::uint8_t> gradient_row(int width) {  // grey from black to white, blue green red
  std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x)
    row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = x * 255 / (width - 1);
  return row;
}

TEST(NearestMapping, KmeansNeverEndsAboveItsSeed) {
  std::mt19937 random(3);
  std::vector<std::uint8_t> noise(3 * 4000);
  for (auto& v : noise) v = static_cast<std::uint8_t>(random() % 256 / (1 + v % 3));
  for (const auto& pixels : {noise, gradient_row(999)}) {
    const auto histogram = colour_histogram(
        ConstByteView(pixels.data(), static_cast<std::ptrdiff_t>(pixels.size()), 1),
        static_cast<Long>(pixels.size() / 3), 1);
    for (std::size_t count : {2u, 16u, 64u}) {
      std::vector<PaletteEntry> palette = random_palette(count, 156, static_cast<unsigned>(count));
      const std::uint64_t seed = nearest_squared_error(palette, histogram);
      const std::uint64_t error = kmeans_nearest(palette, histogram, 20);
      EXPECT_EQ(palette.size(), count);
      EXPECT_EQ(error, nearest_squared_error(palette, histogram));
      EXPECT_LT(error, seed) << count;
    }
  }
}

// Black and white only: diffusion keeps the mean tone of every stretch of 16 pixels of a grey
// gradient (8 rows, the rows between damp each other's error), plain mapping does not.
TEST(NearestMapping, DiffusionKeepsTheTonesOfAGradient) {
  constexpr int kWidth = 256, kHeight = 8;
  const std::vector<PaletteEntry> palette = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  std::uint64_t tone_error[2] = {0, 0};
  for (bool diffuse : {false, true}) {
    std::vector<std::uint8_t> image;
    for (int y = 0; y < kHeight; ++y) {
      const auto row = gradient_row(kWidth);
      image.insert(image.end(), row.begin(), row.end());
    }
    map_to_nearest(ByteView(image.data(), 3 * kWidth, kHeight), kWidth, kHeight, palette, diffuse);
    for (int x0 = 0; x0 < kWidth; x0 += 16) {
      long sum = 0, want = 0;
      for (int y = 0; y < kHeight; ++y)
        for (int x = x0; x < x0 + 16; ++x) {
          const std::uint8_t v = image[3 * (y * kWidth + x)];
          ASSERT_TRUE(v == 0 || v == 255);
          sum += v;
          want += x * 255 / (kWidth - 1);
        }
      const long d = (sum - want) / (16 * kHeight);
      tone_error[diffuse] += static_cast<std::uint64_t>(d * d);
    }
  }
  EXPECT_LT(tone_error[1] * 4, tone_error[0]);
}

}  // namespace
}  // namespace zentrik
