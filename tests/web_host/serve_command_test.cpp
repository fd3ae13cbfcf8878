// `zentrik serve` as a program: it prints the address to open, serves, and stops cleanly on
// SIGTERM or Ctrl-C; it refuses to listen beyond loopback without a token, and a bad
// configuration starts nothing.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "apps/zentrik_program.h"

namespace zentrik::testing {
namespace {

std::filesystem::path folder_for(const std::string& name) {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("zentrik-serve-" + name + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

class ServeStop : public ::testing::TestWithParam<int> {};

TEST_P(ServeStop, PrintsTheAddressServesAndStopsCleanly) {
  const auto folder = folder_for("stop" + std::to_string(GetParam()));
  ProcessOptions options;
  options.args = {zentrik_program(), "serve", "--listen", "127.0.0.1:0"};
  options.cwd = folder;
  options.limit = std::chrono::milliseconds(30000);
  ChildProcess child(options);
  ASSERT_TRUE(child.started());
  // The line "open http://127.0.0.1:PORT/ in a browser" names the port the server got (plain
  // string checks: <regex> trips GCC's uninitialised-use warning in sanitizer builds).
  std::string address;
  const bool ready = child.wait_for_line([&](const std::string& line) {
    const std::string prefix = "open http://127.0.0.1:";
    const std::size_t at = line.find(prefix);
    if (at == std::string::npos || line.find("/ in a browser", at) == std::string::npos)
      return false;
    const std::size_t digits = at + prefix.size();
    const std::size_t end = line.find('/', digits);
    address = line.substr(digits, end - digits);
    return !address.empty() && address.find_first_not_of("0123456789") == std::string::npos;
  });
  int status = 0;
  if (ready) {
    httplib::Client client("127.0.0.1", std::stoi(address));
    auto cameras = client.Get("/api/cameras");
    status = cameras ? cameras->status : -1;
    child.send_signal(GetParam());
  }
  const ProcessResult run = child.finish();
  ASSERT_TRUE(ready) << describe(run);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(run.exit_code, 0) << describe(run);
  EXPECT_NE(run.out.find("2 cameras"), std::string::npos);
  std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Signals, ServeStop, ::testing::Values(SIGTERM, SIGINT));

struct Refusal {
  std::vector<std::string> args;
  std::string config;  // written to serve.yaml when not empty
  std::string says;
};

TEST(ServeRefuses, BeyondLoopbackWithoutATokenAndBadConfigurations) {
  const auto folder = folder_for("refuse");
  const Refusal cases[] = {
      {{"--listen", "0.0.0.0:0"}, "", "needs a token"},
      {{"--listen", "8080"}, "", "--listen takes HOST:PORT"},
      {{"--config", "serve.yaml"},
       "listen: 192.168.0.9:80\ncameras:\n  - name: a\n",
       "needs a token"},
      {{"--config", "serve.yaml"},
       "cameras:\n  - name: a\n    colour: red\n",
       "serve.yaml:3: cameras[0].colour: unknown key"},
      {{"--config", "missing.yaml"}, "", "missing.yaml: cannot read the file"},
      {{"--config", "serve.yaml"},
       "cameras:\n  - name: a\n    script: none.zentrik\n",
       "camera a: cannot read"},
      {{"extra"}, "", "extra"},
  };
  for (const Refusal& c : cases) {
    if (!c.config.empty()) write_text_file(folder / "serve.yaml", c.config);
    std::vector<std::string> args = {"serve"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ProcessResult run = run_zentrik(args, folder, {}, std::chrono::milliseconds(20000));
    EXPECT_EQ(run.exit_code, 2) << describe(run);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << describe(run);
    EXPECT_TRUE(run.out.empty()) << describe(run);  // nothing served, no address printed
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zentrik::testing
