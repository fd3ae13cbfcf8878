// The browser host left running: a failing source, a hundred viewers that never read, and the
// limit on open streams never hold up the cameras.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include "web_host/served_cameras.h"

namespace zentrik::testing {
namespace {

using nlohmann::json;

std::int64_t frame_of(ServedCameras& served, const std::string& id) {
  auto response = served.client().Get("/api/cameras/" + id);
  if (!response || response->status != 200) return -1;
  return json::parse(response->body)["frame"].get<std::int64_t>();
}

// A viewer that asks for the stream and then never reads a byte.
int stalled_viewer(int port, const std::string& path) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int small = 4096;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  return fd;
}

TEST(Robustness, AFailingSourceShowsItselfAndIsRetriedWhileTheOthersGoOn) {
  const auto folder = fresh_folder("failing");
  ServedOptions options;
  options.folder = folder;
  options.cameras = {"good", "bad"};
  options.sources = {"", (folder / "missing.mp4").string()};
  ServedCameras served(options);
  auto client = served.client();
  json bad = json::parse(client.Get("/api/cameras/bad")->body);
  EXPECT_EQ(bad["source_state"], "failed");
  EXPECT_NE(bad["source_message"].get<std::string>().find("missing.mp4"), std::string::npos);
  EXPECT_FALSE(bad["running"]);

  // Each retry says so on the event stream, and the good camera keeps delivering meanwhile.
  const std::int64_t before = frame_of(served, "good");
  std::string received;
  client.Get("/api/events", [&](const char* data, std::size_t length) {
    received.append(data, length);
    return received.find("\"source_state\":\"retrying\"") == std::string::npos;
  });
  EXPECT_NE(received.find("\"camera\":\"bad\""), std::string::npos);
  EXPECT_GT(frame_of(served, "good"), before);
  std::filesystem::remove_all(folder);
}

// Viewers that stop reading are dropped after the write time-out: the pictures they did not take
// are never queued for them, so nothing piles up.
TEST(Robustness, AHundredStalledViewersNeitherStallTheCamerasNorTheApi) {
  const auto folder = fresh_folder("stalled");
  ServedOptions options;
  options.folder = folder;
  options.write_timeout_seconds = 1;
  ServedCameras served(options);
  // One after the other, each taken up by the server before the next (its accept queue is short).
  std::vector<int> viewers;
  for (int i = 0; i < 100; ++i) {
    const bool events = i % 10 == 0;
    viewers.push_back(
        stalled_viewer(served.port(), events ? "/api/events" : "/api/cameras/cam1/live.mjpg"));
    ASSERT_GE(viewers.back(), 0);
    ASSERT_TRUE(eventually([&] { return served.server().streams_started() == i + 1; }));
  }
  const std::int64_t before = frame_of(served, "cam1");
  ASSERT_TRUE(eventually([&] { return frame_of(served, "cam1") > before + 15; }));
  EXPECT_EQ(served.client().Get("/api/cameras/cam2/live.jpg")->status, 200);
  // The picture streams are dropped; the ten event streams, with little to send, stay.
  EXPECT_TRUE(eventually([&] { return served.server().open_streams() == 10; }));
  for (int fd : viewers) ::close(fd);
  EXPECT_TRUE(eventually([&] { return served.server().open_streams() == 0; }));
  std::filesystem::remove_all(folder);
}

TEST(Robustness, StreamsBeyondTheLimitAreTurnedAway) {
  const auto folder = fresh_folder("limit");
  ServedOptions options;
  options.folder = folder;
  options.max_streams = 2;
  ServedCameras served(options);
  const int a = stalled_viewer(served.port(), "/api/cameras/cam1/live.mjpg");
  const int b = stalled_viewer(served.port(), "/api/events");
  ASSERT_TRUE(eventually([&] { return served.server().open_streams() == 2; }));
  auto refused = served.client().Get("/api/cameras/cam2/live.mjpg");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 503);
  EXPECT_NE(refused->body.find("too many open streams"), std::string::npos);
  EXPECT_EQ(served.client().Get("/api/cameras")->status, 200);
  ::close(a);
  ::close(b);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zentrik::testing
