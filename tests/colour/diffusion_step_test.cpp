// The diffusion kernel's vector forms against their plain forms, over random colours and over
// narrow ranges where ties between slots and clamps at 0 and 255 are common.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "colour/DiffusionStep.h"

namespace zentrik::diffusion {
namespace {

std::uint32_t RandomColour(std::mt19937& rng, bool narrow) {
  std::uint32_t colour = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t value =
        narrow ? (rng() % 2 ? 2 + rng() % 6 : 250 + rng() % 6) : rng() % 256;
    colour |= value << shift;
  }
  return colour;
}

TEST(DiffusionStep, VectorFormsEqualThePlainOnes) {
#if defined(__SSE2__)
  std::mt19937 rng(20261208);
  std::array<std::uint32_t, 256> colours{};
  for (int round = 0; round < 2000; ++round) {
    const bool narrow = round % 2 == 0;
    for (std::uint32_t& colour : colours) colour = RandomColour(rng, narrow);
    for (int pixelRound = 0; pixelRound < 100; ++pixelRound) {
      std::uint32_t cell = 0;
      for (int slot = 0; slot < 4; ++slot) cell |= (1 + rng() % 255) << (8 * slot);
      const std::uint32_t pixel = RandomColour(rng, narrow);
      const std::uint32_t below = RandomColour(rng, narrow);
      const Step vector = SlotStepVector(colours.data(), cell, pixel, below);
      const Step plain = SlotStepPlain(colours.data(), cell, pixel, below);
      ASSERT_EQ(vector.chosen, plain.chosen) << std::hex << cell << " " << pixel;
      ASSERT_EQ(vector.distance, plain.distance) << std::hex << cell << " " << pixel;
      ASSERT_EQ(vector.next, plain.next) << std::hex << cell << " " << pixel << " " << below;

      std::array<Byte, 4> right{}, rightPlain{};
      for (Byte& b : right)
        b = static_cast<Byte>(narrow ? (rng() % 2 ? rng() % 8 : 248 + rng() % 8) : rng());
      rightPlain = right;
      SpreadRightVector(right.data(), pixel, plain.chosen);
      SpreadRightPlain(rightPlain.data(), pixel, plain.chosen);
      ASSERT_EQ(right, rightPlain) << std::hex << pixel << " " << plain.chosen;
    }
  }
#else
  GTEST_SKIP() << "no vector forms on this machine";
#endif
}

}  // namespace
}  // namespace zentrik::diffusion
