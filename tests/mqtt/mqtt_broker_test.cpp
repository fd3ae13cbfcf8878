// The publisher against a real broker: the control runs on painted frames, its events go through
// the host's warm-up marking to the publisher, and a subscriber checks what the broker holds.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "apps/child_process.h"
#include "control_fixture.h"
#include "mqtt/test_broker.h"
#include "zentrik/events/EventSnapshot.h"
#include "zentrik/events/WarmUp.h"
#include "zentrik/mqtt/MqttPublisher.h"

namespace zentrik::test {
namespace {

using testing::Received;
using testing::TestBroker;
using testing::TestSubscriber;

constexpr ColorRef kGrey = 0x808080;
constexpr ColorRef kRed = 0x0000FF;
constexpr ColorRef kWhite = 0xFFFFFF;

class MqttTest : public ControlTest {
 protected:
  // Zones: layer 1 zone 1 "door" (motion, top left), layer 1 zone 2 "red" (colour, red square),
  // layer 2 zone 1 (motion, unnamed).
  void make_publisher(MqttSettings settings, std::int64_t hold_ms = 0) {
    settings.topic_prefix = "t";
    orvex& c = control();
    Integer l1 = 1, l2 = 2, z1 = 1, z2 = 2, left = 0, top = 0, size = 40, pct = 10;
    c.add_motion_detection(l1, z1, left, top, size, size, pct);
    c.add_motion_detection(l2, z1, left, top, size, size, pct);
    Integer cl = 100, ct = 100, cpct = 50;
    Long red = kRed;
    c.add_color_detection(l1, z2, cl, ct, size, size, red, cpct);
    c.set_layer(1);
    MqttCamera camera;
    camera.name = "cam";
    camera.control = &c;
    std::string error;
    ASSERT_TRUE(camera.names.set(1, 1, "door", &error));
    ASSERT_TRUE(camera.names.set(1, 2, "red", &error));
    camera.hold = ZoneHold(hold_ms);
    camera.take_snapshot = [this] {
      publisher->snapshot("cam", event_snapshot_jpeg(control(), zone_rect(control(), 1, 1)));
    };
    camera.changed = [this] {
      warmup.observe(control().layer(), control().video().frames_delivered());
    };
    names = camera.names;
    publisher = std::make_unique<MqttPublisher>(
        settings, [this](const std::string& line) { reports.push_back(line); });
    ASSERT_TRUE(publisher->add_camera(std::move(camera), &error));
    ASSERT_TRUE(publisher->start(&error)) << error;
    warmup.observe(c.layer(), c.video().frames_delivered());
    on_event = [this](DispId id, std::span<Variant> args) {
      ZoneEvent e = read_control_event(id, args);
      e.camera = "cam";
      e.name = names.name(e.layer, e.zone);
      e.frame = control().video().frames_delivered();
      e.unix_ms = unix_ms_now();
      e.warmup = warmup.classify(e.layer, e.zone, e.status, e.frame);
      seen.push_back(e);
      publisher->event(e);
    };
  }

  void TearDown() override {
    publisher.reset();
    ControlTest::TearDown();
  }

  // Runs the loop (posted link callbacks) until `done`, at most 5 s of real time.
  bool pump(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
      MessageLoop::instance().run_until_idle();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // Warm-up (grey with the red square), then `cycles` times a white blob over "door" for one
  // frame followed by two quiet frames: ON, ON (the blob leaves), OFF per cycle.
  void play(int cycles) {
    PaintedFrame quiet(kGrey);
    quiet.rect(100, 100, 40, 40, kRed);
    PaintedFrame blob = quiet;
    blob.rect(0, 0, 40, 40, kWhite);
    show(quiet, 2);
    for (int i = 0; i < cycles; ++i) {
      show(blob, 1);
      show(quiet, 2);
    }
    publisher->tick(MessageLoop::instance().now_ms());
  }

  std::vector<std::string> payloads(const std::vector<Received>& all) {
    std::vector<std::string> out;
    for (const Received& r : all) out.push_back(r.payload);
    return out;
  }

  std::unique_ptr<MqttPublisher> publisher;
  ZoneNames names;
  WarmUp warmup;
  std::vector<ZoneEvent> seen;
  std::vector<std::string> reports;
};

TEST_F(MqttTest, EventsInOrderWithNamesAndRetainedStatesEqualTheControls) {
  TestBroker broker({"zentrik", "secret word"});
  ASSERT_TRUE(broker.start());
  TestSubscriber live(broker.settings("live"), {"t/cam/events"});
  ASSERT_TRUE(live.ready());
  make_publisher(broker.settings("zentrik-a"));
  ASSERT_TRUE(pump([&] { return publisher->connected(); }));
  play(3);
  ASSERT_EQ(seen.size(), 2u + 1u + 6u);  // door and red warm up, door's reversal, 3 x ON/OFF
  EXPECT_TRUE(seen[0].warmup && seen[1].warmup && seen[2].warmup);
  EXPECT_FALSE(seen[3].warmup);
  EXPECT_EQ(seen[0].name, "red");  // colour zones are evaluated first
  std::vector<std::string> expected;
  for (const ZoneEvent& e : seen) expected.push_back(zone_event_json(e));
  ASSERT_TRUE(live.wait([&](auto&) { return live.on("t/cam/events").size() >= expected.size(); }));
  EXPECT_EQ(payloads(live.on("t/cam/events")), expected);
  const auto first = nlohmann::json::parse(expected[3]);
  EXPECT_EQ(first["name"], "door");
  EXPECT_EQ(first["kind"], "motion");
  EXPECT_EQ(first["status"], true);

  publisher->stop();
  TestSubscriber later(broker.settings("later"), {"t/#"});
  ASSERT_TRUE(later.wait([&](auto& all) { return all.size() >= 3; }));
  ASSERT_TRUE(later.ready());
  const OrvexState& s = control().state();
  for (auto [layer, zone, topic] :
       {std::tuple{1, 1, "t/cam/zones/door"}, std::tuple{1, 2, "t/cam/zones/red"},
        std::tuple{2, 1, "t/cam/zones/L2-Z1"}}) {
    auto got = later.on(topic);
    ASSERT_EQ(got.size(), 1u) << topic;
    EXPECT_EQ(got[0].payload, s.zone_state(layer, zone) == vbTrue ? "ON" : "OFF") << topic;
  }
  EXPECT_EQ(later.on("t/cam/zones/red")[0].payload, "ON");  // the square stayed all along
  EXPECT_EQ(later.on("t/cam/availability")[0].payload, "offline");
  EXPECT_EQ(later.on("t/clients/zentrik-a")[0].payload, "offline");
}

TEST_F(MqttTest, HoldTurnsAFlickeringZoneIntoOneOnAndOneOff) {
  TestBroker broker;
  ASSERT_TRUE(broker.start());
  TestSubscriber states(broker.settings("states"), {"t/cam/zones/door", "t/cam/events"});
  ASSERT_TRUE(states.ready());
  make_publisher(broker.settings("zentrik-hold"), 5000);
  ASSERT_TRUE(pump([&] { return publisher->connected(); }));
  play(4);
  clock->advance(4999);
  publisher->tick(MessageLoop::instance().now_ms());
  clock->advance(1);
  publisher->tick(MessageLoop::instance().now_ms());
  ASSERT_TRUE(states.wait([&](auto&) { return states.on("t/cam/events").size() == 11; }));
  ASSERT_TRUE(states.wait([&](auto&) { return states.on("t/cam/zones/door").size() >= 3; }));
  // The retained OFF at connection, one ON for four passes, one OFF when the hold ran out.
  EXPECT_EQ(payloads(states.on("t/cam/zones/door")),
            (std::vector<std::string>{"OFF", "ON", "OFF"}));
}

TEST_F(MqttTest, CommandsSwitchTheLayerRefuseBadValuesAndTakeASnapshot) {
  TestBroker broker;
  ASSERT_TRUE(broker.start());
  TestSubscriber house(broker.settings("house"), {"t/cam/error", "t/cam/snapshot", "t/cam/layer"});
  ASSERT_TRUE(house.ready());
  make_publisher(broker.settings("zentrik-cmd"));
  ASSERT_TRUE(pump([&] { return publisher->connected(); }));
  play(1);
  ASSERT_TRUE(house.publish("t/cam/set/layer", "2"));
  ASSERT_TRUE(pump([&] { return control().layer() == 2; }));
  for (const char* bad : {"0", "65", "two", ""}) ASSERT_TRUE(house.publish("t/cam/set/layer", bad));
  ASSERT_TRUE(house.publish("t/cam/set/colordepth", "17"));
  ASSERT_TRUE(house.publish("t/cam/set/snapshot", ""));
  ASSERT_TRUE(pump(
      [&] { return house.on("t/cam/error").size() == 5 && !house.on("t/cam/snapshot").empty(); }));
  EXPECT_EQ(control().layer(), 2);
  EXPECT_EQ(control().colordepth(), 65535);
  EXPECT_TRUE(presenter->boxes().empty());  // no message box: bad values never reach the control
  const auto error = nlohmann::json::parse(house.on("t/cam/error")[0].payload);
  EXPECT_EQ(error["command"], "layer");
  EXPECT_EQ(error["value"], "0");
  EXPECT_EQ(house.on("t/cam/layer").back().payload, "2");

  const std::string jpeg = house.on("t/cam/snapshot")[0].payload;
  const auto file = broker.folder() / "snapshot.jpg";
  std::ofstream(file, std::ios::binary) << jpeg;
  zentrik::testing::ProcessOptions djpeg;
  djpeg.args = {"/usr/bin/djpeg", "-outfile", (broker.folder() / "snapshot.ppm").string(),
                file.string()};
  auto decoded = zentrik::testing::run_process(djpeg);
  EXPECT_EQ(decoded.exit_code, 0) << decoded.err;
  std::ifstream ppm(broker.folder() / "snapshot.ppm");
  std::string magic;
  int width = 0, height = 0;
  ppm >> magic >> width >> height;
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
}

TEST_F(MqttTest, DiscoveryMessagesCarryWhatHomeAssistantRequires) {
  TestBroker broker;
  ASSERT_TRUE(broker.start());
  TestSubscriber ha(broker.settings("ha"), {"homeassistant/#"});
  ASSERT_TRUE(ha.ready());
  make_publisher(broker.settings("zentrik-ha"));
  ASSERT_TRUE(ha.wait([&](auto& all) {
    MessageLoop::instance().run_until_idle();
    return all.size() >= 5;
  }));
  std::map<std::string, nlohmann::json> configs;
  for (const Received& r : ha.messages()) {
    if (r.topic.rfind("homeassistant/", 0) == 0)
      configs[r.topic] = nlohmann::json::parse(r.payload);
  }
  ASSERT_EQ(configs.size(), 5u);  // three zones, the snapshot, the layer
  const auto& door = configs.at("homeassistant/binary_sensor/t_cam/door/config");
  EXPECT_EQ(door["state_topic"], "t/cam/zones/door");
  EXPECT_EQ(door["device_class"], "motion");
  EXPECT_EQ(door["payload_on"], "ON");
  const auto& layer = configs.at("homeassistant/select/t_cam/layer/config");
  EXPECT_EQ(layer["command_topic"], "t/cam/set/layer");
  EXPECT_EQ(layer["options"], nlohmann::json::array({"1", "2"}));
  EXPECT_EQ(configs.at("homeassistant/camera/t_cam/snapshot/config")["topic"], "t/cam/snapshot");
  std::set<std::string> ids;
  for (const auto& [topic, j] : configs) {
    EXPECT_TRUE(j.contains("name") && j.contains("unique_id") && j.contains("device")) << topic;
    EXPECT_EQ(j["availability"].size(), 2u) << topic;
    EXPECT_EQ(j["availability"][1]["topic"], "t/clients/zentrik-ha") << topic;
    ids.insert(j["unique_id"]);
  }
  EXPECT_EQ(ids.size(), configs.size());
}

TEST_F(MqttTest, BrokerRestartLosesNoStateAndDeliversTheQueuedEvents) {
  TestBroker broker;
  ASSERT_TRUE(broker.start());
  make_publisher(broker.settings("zentrik-restart"));
  ASSERT_TRUE(pump([&] { return publisher->connected(); }));
  play(1);
  ASSERT_TRUE(publisher->flush(2000));  // acknowledged: not sent again after the restart
  broker.stop();
  ASSERT_TRUE(pump([&] { return !publisher->connected(); }));
  const std::size_t before = seen.size();
  play(2);  // four events while the broker is away
  ASSERT_EQ(seen.size(), before + 4);
  ASSERT_TRUE(broker.start());  // a broker without persistence: it forgot everything
  TestSubscriber after(broker.settings("after"),
                       {"t/cam/events", "t/cam/zones/#", "t/cam/availability"});
  ASSERT_TRUE(after.ready());
  ASSERT_TRUE(pump([&] { return publisher->connected() && after.on("t/cam/events").size() >= 4; }));
  std::vector<std::string> expected;
  for (std::size_t i = before; i < seen.size(); ++i) expected.push_back(zone_event_json(seen[i]));
  EXPECT_EQ(payloads(after.on("t/cam/events")), expected);
  EXPECT_EQ(publisher->counts().dropped, 0);
  ASSERT_TRUE(after.wait([&](auto&) { return after.on("t/cam/zones/red").size() >= 1; }));
  EXPECT_EQ(after.on("t/cam/zones/red").back().payload, "ON");
  EXPECT_EQ(after.on("t/cam/zones/door").back().payload, "OFF");
  EXPECT_EQ(after.on("t/cam/availability").back().payload, "online");
}

TEST_F(MqttTest, QueueBeyondItsBoundCountsTheDroppedEvents) {
  TestBroker broker;  // never started: nothing answers on its port
  MqttSettings settings = broker.settings("zentrik-away");
  settings.queue_limit = 3;
  make_publisher(settings);
  ASSERT_TRUE(pump([&] { return !reports.empty(); }));
  play(3);  // nine events
  publisher->stop(100);
  EXPECT_EQ(publisher->counts().events, 0);
  EXPECT_EQ(publisher->counts().dropped, 9);
  ASSERT_EQ(reports.size(), 1u);  // one message, however often it retried
  EXPECT_NE(reports[0].find("cannot reach the broker 127.0.0.1:" + std::to_string(broker.port())),
            std::string::npos)
      << reports[0];
}

// Refused credentials and a certificate from another CA: one clear message each.
TEST_F(MqttTest, RefusedCredentialsAndForeignCertificatesGetOneMessageEach) {
  TestBroker broker({"zentrik", "right", true});
  ASSERT_TRUE(broker.start());
  struct Case {
    std::string password, ca, expected;
  } cases[] = {
      {"wrong", broker.ca_file(), "refused the connection: Connection Refused: not authorised"},
      {"right", broker.other_ca_file(), "TLS handshake with the broker"},
  };
  for (const Case& c : cases) {
    MqttSettings settings = broker.settings("zentrik-bad");
    settings.password = c.password;
    settings.ca_file = c.ca;
    MqttPublisher bad(settings, [&](const std::string& line) { reports.push_back(line); });
    MqttCamera camera;
    camera.name = "cam";
    camera.control = &control();
    std::string error;
    ASSERT_TRUE(bad.add_camera(std::move(camera), &error));
    ASSERT_TRUE(bad.start(&error)) << error;
    ASSERT_TRUE(pump([&] { return !reports.empty(); })) << c.expected;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // several more tries
    MessageLoop::instance().run_until_idle();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(c.expected), std::string::npos) << reports[0];
    EXPECT_FALSE(bad.connected());
    reports.clear();
  }
  // And the right CA and password connect over TLS.
  make_publisher(broker.settings("zentrik-tls"));
  ASSERT_TRUE(pump([&] { return publisher->connected(); }));
}

}  // namespace
}  // namespace zentrik::test
