// Starting programs with Shell, and the millisecond clock.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/clock.h"
#include "zentrik/platform/files.h"
#include "zentrik/platform/process.h"

namespace zentrik {
namespace {

Long error_of(const std::string& command, Long style = vbNormalFocus) {
  try {
    Shell(command, style);
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

TEST(Shell, ProgramsThatCannotStartRaiseFileNotFound) {
  EXPECT_EQ(error_of("/no/such/program --flag"), 53);
  EXPECT_EQ(error_of("zentrik-no-such-program"), 53);
  EXPECT_EQ(error_of("/etc/hostname"), 53);  // not executable
  EXPECT_EQ(error_of("   "), 5);
  EXPECT_EQ(error_of("/bin/true", 7), 5);
}

TEST(Shell, StartsTheProgramWithItsArguments) {
  std::string folder = ::testing::TempDir() + "zentrik_shell_XXXXXX";
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const std::string marker = folder + "/started";
  const Long pid = Shell("/usr/bin/touch  " + marker);
  EXPECT_GT(pid, 0);
  // Shell does not wait; give the child a moment to run.
  for (int i = 0; i < 500 && !FileExists(marker); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(FileExists(marker));
  std::filesystem::remove_all(folder);
}

TEST(Clock, TimeGetTimeMovesForwardInMilliseconds) {
  const auto start = static_cast<std::uint32_t>(timeGetTime());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const std::uint32_t elapsed = static_cast<std::uint32_t>(timeGetTime()) - start;
  EXPECT_GE(elapsed, 20u);
  EXPECT_LT(elapsed, 60000u);
}

}  // namespace
}  // namespace zentrik
