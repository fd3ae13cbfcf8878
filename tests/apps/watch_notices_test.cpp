// What `zentrik watch` says of itself: its version, that it watches the virtual camera when no
// source was asked for, that a script defines no zone, and that a stop signal while a stream is
// still opening ends the program at once with status 0.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "apps/reported_event.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

TEST(ZentrikVersion, SaysTheVersion) {
  const ProcessResult run = run_zentrik({"--version"});
  EXPECT_EQ(run.exit_code, 0);
  const auto lines = split_lines(run.out);
  ASSERT_EQ(lines.size(), 1u) << run.out;
  EXPECT_EQ(lines[0].rfind("zentrik ", 0), 0u);
  EXPECT_NE(lines[0].find_first_of("0123456789"), std::string::npos);
}

TEST(WatchNotices, VirtualCameraAndNoZoneAreSaid) {
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "empty.zentrik", "' nothing yet\nlayer = 1\n"));
  const ProcessResult run = run_zentrik(
      {"watch", "--script", (folder / "empty.zentrik").string(), "--fast", "--frames", "3"});
  EXPECT_EQ(run.exit_code, 0) << describe(run);
  EXPECT_NE(run.err.find("watching the built-in virtual camera"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("no zone is defined"), std::string::npos) << run.err;

  // Asking for a file is no surprise: neither notice.
  const ProcessResult demo = run_zentrik({"watch", "--fast", "--frames", "3"}, folder.path());
  EXPECT_EQ(demo.err.find("no zone"), std::string::npos) << demo.err;
}

// A listener that never answers: opening a stream from it waits for data.
class SilentListener {
 public:
  SilentListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::listen(fd_, 4) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
      port_ = ntohs(address.sin_port);
  }
  ~SilentListener() {
    if (client_ >= 0) ::close(client_);
    if (fd_ >= 0) ::close(fd_);
  }
  int port() const { return port_; }
  // True once a client has connected (within `ms`); it is kept waiting for data.
  bool wait_for_client(int ms) {
    pollfd waiting{fd_, POLLIN, 0};
    if (::poll(&waiting, 1, ms) != 1) return false;
    client_ = ::accept(fd_, nullptr, nullptr);
    return client_ >= 0;
  }

 private:
  int fd_ = -1;
  int client_ = -1;
  int port_ = 0;
};

TEST(WatchNotices, StopSignalWhileAStreamOpensExitsZero) {
  SilentListener listener;
  ASSERT_GT(listener.port(), 0);
  ProcessOptions options;
  options.args = {zentrik_program(), "watch", "--source",
                  "tcp://127.0.0.1:" + std::to_string(listener.port())};
  options.limit = std::chrono::milliseconds(30000);
  ChildProcess watch(options);
  ASSERT_TRUE(watch.started());
  // Connected: the program is waiting for the stream's first data.
  const bool connected = listener.wait_for_client(25000);
  watch.send_signal(SIGINT);
  const ProcessResult run = watch.finish();
  ASSERT_TRUE(connected) << describe(run);
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exit_code, 0) << describe(run);
  EXPECT_NE(run.err.find("stopped before capture started"), std::string::npos) << describe(run);
}

}  // namespace
}  // namespace zentrik::testing
