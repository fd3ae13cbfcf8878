// The driver list and capGetDriverDescriptionA: enumeration order, buffer limits, the bytes it
// must leave alone, and the end of the list.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/capture/VirtualCamera.h"

namespace zentrik {
namespace {

DriverRegistry::Entry named(std::string description, std::string version) {
  return {std::move(description), std::move(version), [] { return nullptr; }};
}

TEST(DriverRegistryTest, StandardListHoldsTheVirtualCameraAlone) {
  DriverRegistry drivers = DriverRegistry::standard();
  ASSERT_EQ(drivers.size(), 1u);
  EXPECT_EQ(drivers.at(0)->description, "Zentrik virtual camera");
  EXPECT_EQ(drivers.at(0)->version, capture_driver_version());
  EXPECT_FALSE(capture_driver_version().empty());
  std::unique_ptr<CaptureDriver> camera = drivers.open(0);
  ASSERT_NE(camera, nullptr);
  EXPECT_EQ(camera->description(), "Zentrik virtual camera");
  EXPECT_DOUBLE_EQ(camera->frame_rate(), 30.0);
}

TEST(DriverRegistryTest, LookupsOutsideTheListGiveNothing) {
  DriverRegistry drivers;
  drivers.add(named("a", "1"));
  for (Long index : {-1, 1, 2, -2147483647 - 1, 2147483647}) {
    EXPECT_EQ(drivers.at(index), nullptr) << index;
    EXPECT_EQ(drivers.open(index), nullptr) << index;
  }
}

TEST(DriverRegistryTest, EachOpenMakesAFreshDriver) {
  DriverRegistry drivers;
  drivers.add(DriverRegistry::virtual_camera());
  auto first = drivers.open(0);
  auto second = drivers.open(0);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first.get(), second.get());
}

TEST(CapGetDriverDescriptionTest, EnumeratesInOrderAndReturnsZeroPastTheEnd) {
  DriverRegistry drivers;
  drivers.add(named("Zentrik virtual camera", "0.9.13"));
  drivers.add(named("TAVO CAM 2", "2.1"));
  std::vector<std::string> seen;
  Long index = 0;
  char description[100];
  char version[100];
  while (capGetDriverDescriptionA(drivers, index, description, 100, version, 100) != 0) {
    seen.push_back(std::string(description) + "|" + version);
    ++index;
  }
  EXPECT_EQ(index, 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"Zentrik virtual camera|0.9.13", "TAVO CAM 2|2.1"}));
  EXPECT_EQ(capGetDriverDescriptionA(drivers, -1, description, 100, version, 100), 0);
}

struct BufferCase {
  std::string text;
  Long capacity;
  std::string expected;        // what the buffer reads as a C string afterwards
  std::size_t untouched_from;  // first byte that must keep the fill byte
};

class BufferRulesTest : public ::testing::TestWithParam<BufferCase> {};

TEST_P(BufferRulesTest, CopiesAtMostCapacityLessOneAndANulAndLeavesTheRestAlone) {
  const BufferCase& c = GetParam();
  DriverRegistry drivers;
  drivers.add(named(c.text, c.text));
  std::array<char, 128> description;
  std::array<char, 128> version;
  description.fill('#');
  version.fill('#');
  ASSERT_NE(capGetDriverDescriptionA(drivers, 0, description.data(), c.capacity, version.data(),
                                     c.capacity),
            0);
  for (const std::array<char, 128>* buffer : {&description, &version}) {
    EXPECT_EQ(std::string(buffer->data()), c.expected);
    for (std::size_t i = c.untouched_from; i < buffer->size(); ++i) {
      ASSERT_EQ((*buffer)[i], '#') << "byte " << i << " of capacity " << c.capacity;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Capacities, BufferRulesTest,
    ::testing::Values(BufferCase{"TAVO CAM", 100, "TAVO CAM", 9},
                      BufferCase{"TAVO CAM", 9, "TAVO CAM", 9},
                      BufferCase{"TAVO CAM", 8, "TAVO CA", 8}, BufferCase{"TAVO CAM", 1, "", 1},
                      BufferCase{"", 100, "", 1},
                      BufferCase{std::string(99, 'y'), 100, std::string(99, 'y'), 100},
                      BufferCase{std::string(100, 'z'), 100, std::string(99, 'z'), 100},
                      BufferCase{std::string(150, 'x'), 100, std::string(99, 'x'), 100},
                      BufferCase{std::string(150, 'x'), 128, std::string(127, 'x'), 128}));

TEST(CapGetDriverDescriptionTest, NullBuffersAndCapacitiesBelowOneAreLeftAlone) {
  DriverRegistry drivers;
  drivers.add(named("camera", "7"));
  char description[16];
  std::memset(description, '#', sizeof description);
  EXPECT_NE(capGetDriverDescriptionA(drivers, 0, description, 0, nullptr, 100), 0);
  EXPECT_NE(capGetDriverDescriptionA(drivers, 0, description, -5, nullptr, -1), 0);
  for (char c : description) EXPECT_EQ(c, '#');
  char version[16];
  EXPECT_NE(capGetDriverDescriptionA(drivers, 0, nullptr, 100, version, 16), 0);
  EXPECT_STREQ(version, "7");
}

}  // namespace
}  // namespace zentrik
