// `zentrik serve` with an `mqtt:` section: every camera publishes its events with zone names and
// its steady zone states to one broker through one client, and says offline when it stops.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "apps/zentrik_program.h"
#include "mqtt/test_broker.h"

namespace zentrik::testing {
namespace {

TEST(ServeMqtt, CamerasPublishNamedEventsAndRetainedStatesThroughOneClient) {
  TestBroker broker;
  ASSERT_TRUE(broker.start());
  TestSubscriber house(broker.settings("house"), {"cams/#"});
  ASSERT_TRUE(house.ready());
  const std::filesystem::path folder = broker.folder();
  const std::string demo = read_text_file(examples_folder() / "demo.zentrik");
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", demo));
  std::string yaml = R"(listen: 127.0.0.1:0
mqtt: {port: PORT, client_id: serve-1, topic_prefix: cams}
cameras:
  - {name: east, script: zones.zentrik, hold: 30, zones: [{layer: 1, zone: 1, name: red-patch},
                                                          {layer: 1, zone: 4, name: square, hold: 0}]}
  - {name: west, script: zones.zentrik}
)";
  ASSERT_TRUE(write_text_file(folder / "serve.yaml",
                              yaml.replace(yaml.find("PORT"), 4, std::to_string(broker.port()))));
  ProcessOptions options;
  options.args = {zentrik_program(), "serve", "--config", (folder / "serve.yaml").string()};
  ChildProcess serve(options);
  ASSERT_TRUE(serve.wait_for_line(
      [](const std::string& line) { return line.find("open http://") != std::string::npos; }));
  // The green square passes zone 4 once in a cycle: its ON and OFF both come through, while
  // the 30-second hold keeps every other zone of east ON.
  const auto square_off = [&](auto&) {
    for (const Received& m : house.on("cams/east/events")) {
      const auto e = nlohmann::json::parse(m.payload);
      if (e["zone"] == 4 && e["status"] == false && !e["warmup"]) return true;
    }
    return false;
  };
  ASSERT_TRUE(house.wait(square_off, std::chrono::milliseconds(45000)));
  for (const Received& m : house.on("cams/east/events")) {
    const auto e = nlohmann::json::parse(m.payload);
    EXPECT_EQ(e["camera"], "east");
    const std::map<int, std::string> names = {{1, "red-patch"}, {4, "square"}};
    const auto name = names.find(e["zone"].get<int>());
    EXPECT_EQ(e.value("name", ""), name == names.end() ? "" : name->second) << m.payload;
  }
  EXPECT_FALSE(house.on("cams/west/events").empty());
  EXPECT_TRUE(house.wait([&](auto&) {
    const auto states = house.on("cams/east/zones/square");
    return !states.empty() && states.back().payload == "OFF";
  }));
  EXPECT_EQ(house.on("cams/east/zones/red-patch").back().payload, "ON");
  EXPECT_EQ(house.on("cams/clients/serve-1").front().payload, "online");

  serve.send_signal(SIGINT);
  const ProcessResult r = serve.finish();
  EXPECT_EQ(r.exit_code, 0) << describe(r);
  ASSERT_TRUE(house.wait([&](auto&) {
    return house.on("cams/clients/serve-1").back().payload == "offline";
  })) << describe(r);
  for (const char* camera : {"cams/east/availability", "cams/west/availability"}) {
    EXPECT_EQ(house.on(camera).back().payload, "offline") << camera;
  }
}

}  // namespace
}  // namespace zentrik::testing
