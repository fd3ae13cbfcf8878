// The driver search over lists of fake drivers: letter case, leading blanks, the highest match,
// the fallback to the last driver, no driver at all, and the 100-character description buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/capture/VirtualCamera.h"
#include "zentrik/control/DriverSearch.h"

namespace zentrik {
namespace {

// A driver list of the given descriptions.
DriverRegistry DriverList(const std::vector<std::string>& descriptions) {
  DriverRegistry drivers;
  for (const std::string& d : descriptions) {
    drivers.add({d, "1.0", [] { return std::make_unique<VirtualCamera>(); }});
  }
  return drivers;
}

struct SearchCase {
  const char* what;
  std::vector<std::string> drivers;
  Integer device_id;
  std::string matched;  // description of the matched driver, "" when none matched
};

class DriverSearchCases : public ::testing::TestWithParam<SearchCase> {};

TEST_P(DriverSearchCases, PicksTheExpectedDriver) {
  const SearchCase& c = GetParam();
  const DriverChoice choice = search_capture_driver(DriverList(c.drivers));
  EXPECT_EQ(choice.device_id, c.device_id) << c.what;
  if (c.matched.empty()) {
    EXPECT_EQ(choice.videodevice, "") << c.what;
  } else {
    ASSERT_EQ(choice.videodevice.size(), 100u) << c.what;
    EXPECT_EQ(choice.videodevice.substr(0, choice.videodevice.find('\0')), c.matched) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriverSearchCases,
    ::testing::Values(
        SearchCase{"three, none matching", {"Cam A", "Cam B", "Cam C"}, 2, ""},
        SearchCase{"only driver 0, matching", {"TAVO CAM"}, 0, "TAVO CAM"},
        SearchCase{"0 matches, 1 does not", {"TAVO CAM 1", "Other"}, 0, "TAVO CAM 1"},
        SearchCase{"1 and 3 of 0..3 match",
                   {"x", "TAVO CAM one", "y", "TAVO CAM three"},
                   3,
                   "TAVO CAM three"},
        SearchCase{"lower case", {"a", "tavo cam"}, 1, "tavo cam"},
        SearchCase{"mixed case and text after", {"Tavo Cam USB 2.0", "b"}, 0, "Tavo Cam USB 2.0"},
        SearchCase{"leading blanks", {"x", "   TAVO CAM"}, 1, "   TAVO CAM"},
        SearchCase{"no blank between the words", {"TAVOCAM", "x"}, 1, ""},
        SearchCase{"search text cut short", {"TAVO CA", "x", "y"}, 2, ""},
        SearchCase{"blank inside the prefix", {"TAVO  CAM"}, 0, ""},
        SearchCase{"tab before", {"\tTAVO CAM", "z"}, 1, ""},
        SearchCase{"no driver at all", {}, -1, ""},
        // The buffer is reused: a short description must not inherit an earlier match's tail.
        SearchCase{"short after a match", {"TAVO CAM A", "TAVO"}, 0, "TAVO CAM A"},
        SearchCase{"long description cut at 99 characters",
                   {std::string("TAVO CAM ") + std::string(120, 'z')},
                   0,
                   std::string("TAVO CAM ") + std::string(90, 'z')}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(DriverSearch, VideodeviceIsTheWholeBufferWithItsNul) {
  const DriverChoice choice = search_capture_driver(DriverList({"TAVO CAM Pro"}));
  ASSERT_EQ(choice.videodevice.size(), 100u);
  EXPECT_EQ(choice.videodevice.find('\0'), 12u);
  EXPECT_EQ(choice.videodevice.substr(0, 12), "TAVO CAM Pro");
}

}  // namespace
}  // namespace zentrik
