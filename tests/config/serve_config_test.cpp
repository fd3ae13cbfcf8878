// The serve configuration: a full file, the defaults, and every fault named by file, line and key.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "zentrik/config/ServeConfig.h"

namespace zentrik {
namespace {

TEST(ServeConfig, ReadsEveryKeyAndResolvesPathsAgainstTheFilesFolder) {
  const ServeConfig c = parse_serve_config(
      "listen: 0.0.0.0:9000\n"
      "token: \"s3cret\"\n"
      "state: st\n"
      "cameras:\n"
      "  - name: front\n"
      "    source: rtsp://cam/1\n"
      "    script: zones.zentrik\n"
      "    snapshots: /abs/shots\n"
      "    steady: {tolerance: 20, light: 40}\n"
      "    analyse_fps: 2.5\n"
      "    full_decode: true\n"
      "  - name: back_2\n"
      "    steady: true\n",
      "serve.yaml", "/etc/zentrik");
  EXPECT_EQ(c.listen, "0.0.0.0:9000");
  EXPECT_EQ(c.token, "s3cret");
  EXPECT_EQ(c.state, "/etc/zentrik/st");
  ASSERT_EQ(c.cameras.size(), 2u);
  EXPECT_EQ(c.cameras[0].name, "front");
  EXPECT_EQ(c.cameras[0].source, "rtsp://cam/1");
  EXPECT_EQ(c.cameras[0].script, "/etc/zentrik/zones.zentrik");
  EXPECT_EQ(c.cameras[0].snapshots, "/abs/shots");
  EXPECT_EQ(c.cameras[0].line, 5);
  EXPECT_EQ(c.cameras[1].name, "back_2");
  EXPECT_TRUE(c.cameras[1].source.empty());
  EXPECT_TRUE(c.cameras[1].snapshots.empty());
  EXPECT_EQ(c.cameras[0].steady, (SteadySettings{20, SteadySettings{}.neighbours, 40}));
  EXPECT_EQ(c.cameras[0].analyse_fps, 2.5);
  EXPECT_EQ(c.cameras[1].steady, SteadySettings{});
  EXPECT_EQ(c.cameras[1].analyse_fps, 0.0);
  EXPECT_TRUE(c.cameras[0].full_decode);
  EXPECT_FALSE(c.cameras[1].full_decode);
}

TEST(ServeConfig, DefaultsToLoopbackAndTheStateFolderBesideTheFile) {
  const ServeConfig c = parse_serve_config("cameras:\n  - name: a\n", "f.yaml", "/x");
  EXPECT_EQ(c.listen, "127.0.0.1:8080");
  EXPECT_TRUE(c.token.empty());
  EXPECT_EQ(c.state, "/x/zentrik-state");
}

struct Fault {
  const char* text;
  const char* message;  // the start of the error after "f.yaml:"
};

TEST(ServeConfig, EveryFaultNamesFileLineAndKey) {
  const Fault faults[] = {
      {"cameras:\n  - name: a\ncolour: red\n", "f.yaml:3: colour: unknown key"},
      {"cameras:\n  - name: a\n    zones: 1\n", "f.yaml:3: cameras[0].zones: expected a list"},
      {"cameras:\n  - name: a\n    colour: 1\n", "f.yaml:3: cameras[0].colour: unknown key"},
      {"cameras:\n  - source: x\n", "f.yaml:2: cameras[0].name: missing"},
      {"cameras:\n  - name: Front\n", "f.yaml:2: cameras[0].name: 'Front' is not a name"},
      {"cameras:\n  - name: a\n  - name: a\n", "f.yaml:3: cameras[1].name: 'a' is used twice"},
      {"listen: 8080\ncameras:\n  - name: a\n", "f.yaml:1: listen: '8080' is not HOST:PORT"},
      {"listen: h:99999\ncameras:\n  - name: a\n", "f.yaml:1: listen:"},
      {"token: [1]\ncameras:\n  - name: a\n", "f.yaml:1: token: expected a text value"},
      {"cameras: []\n", "f.yaml:1: cameras: expected a list"},
      {"listen: a:1\n", "f.yaml:1: cameras: missing"},
      {"", "f.yaml:1: the file is empty"},
      {"cameras:\n  - name: a\n    script: \"\"\n",
       "f.yaml:3: cameras[0].script: must not be empty"},
      {"cameras: [\n", "f.yaml:2: "},
      {"- a\n- b\n", "f.yaml:1: expected a mapping"},
      {"cameras:\n  - name: a\n    steady: yes\n", "f.yaml:3: cameras[0].steady: expected true"},
      {"cameras:\n  - name: a\n    steady: {tolerance: 300}\n",
       "f.yaml:3: cameras[0].steady: steady setting tolerance needs"},
      {"cameras:\n  - name: a\n    steady: {noise: 3}\n",
       "f.yaml:3: cameras[0].steady.noise: unknown key"},
      {"cameras:\n  - name: a\n    analyse_fps: 0\n", "f.yaml:3: cameras[0].analyse_fps: '0'"},
      {"cameras:\n  - name: a\n    full_decode: 1\n",
       "f.yaml:3: cameras[0].full_decode: expected true or false"},
      {"cameras:\n  - name: a\n    hold: -1\n", "f.yaml:3: cameras[0].hold: '-1' is not"},
      {"cameras:\n  - name: a\n    zones:\n      - {layer: 65, zone: 1, name: x}\n",
       "f.yaml:4: cameras[0].zones[0].layer: '65' is not a whole number from 1 to 64"},
      {"cameras:\n  - name: a\n    zones:\n      - {layer: 1, name: x}\n",
       "f.yaml:4: cameras[0].zones[0].zone: missing"},
      {"cameras:\n  - name: a\n    zones:\n      - {layer: 1, zone: 2}\n",
       "f.yaml:4: cameras[0].zones[0]: give the zone a name or a hold"},
      {"cameras:\n  - name: a\n    zones:\n      - {layer: 1, zone: 1, name: door}\n"
       "      - {layer: 1, zone: 2, name: door}\n",
       "f.yaml:5: cameras[0].zones[1].name: zone name \"door\" is already used by zone 1:1"},
      {"cameras:\n  - name: a\n    zones:\n      - {layer: 1, zone: 1, name: a/b}\n",
       "f.yaml:4: cameras[0].zones[0].name: zone name \"a/b\" must be"},
      {"mqtt:\n  port: 0\ncameras:\n  - name: a\n", "f.yaml:2: mqtt.port: '0' is not"},
      {"mqtt:\n  broker: x\ncameras:\n  - name: a\n", "f.yaml:2: mqtt.broker: unknown key"},
      {"mqtt:\n  client_id: a#b\ncameras:\n  - name: a\n", "f.yaml:2: mqtt.client_id: 'a#b'"},
      {"mqtt:\n  topic_prefix: a/+/b\ncameras:\n  - name: a\n", "f.yaml:2: mqtt.topic_prefix:"},
      {"mqtt:\n  tls: yes\ncameras:\n  - name: a\n", "f.yaml:2: mqtt.tls: expected true"},
      {"mqtt:\n  ca_file: ca.crt\ncameras:\n  - name: a\n",
       "f.yaml:2: mqtt.ca_file: is for `tls: true` only"},
      {"mqtt:\n  tls: true\n  ca_file: /nonexistent/ca.crt\ncameras:\n  - name: a\n",
       "f.yaml:3: mqtt.ca_file: cannot read /nonexistent/ca.crt"},
      {"mqtt:\n  password: p\ncameras:\n  - name: a\n", "f.yaml:2: mqtt.password: needs a"},
  };
  for (const Fault& f : faults) {
    try {
      parse_serve_config(f.text, "f.yaml");
      ADD_FAILURE() << "accepted: " << f.text;
    } catch (const ConfigError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(f.message, 0), 0u) << e.what();
    }
  }
}

TEST(ServeConfig, ReadsTheBrokerZoneNamesAndHoldTimes) {
  const ServeConfig c = parse_serve_config(
      "mqtt: {host: broker.lan, tls: true, client_id: east-1, username: zentrik,\n"
      "       password: \"pass word\", topic_prefix: home/cams, discovery_prefix: \"\"}\n"
      "cameras:\n  - {name: front, hold: 2.5, zones: [{layer: 1, zone: 1, name: door, hold: 10},\n"
      "                                          {layer: 2, zone: 5, name: gate}]}\n"
      "  - name: back\n",
      "f.yaml");
  ASSERT_TRUE(c.mqtt.has_value());
  const MqttSettings& m = *c.mqtt;
  EXPECT_EQ(
      std::tie(m.host, m.port, m.tls, m.client_id, m.username, m.password, m.topic_prefix),
      std::make_tuple("broker.lan", 8883, true, "east-1", "zentrik", "pass word", "home/cams"));
  EXPECT_EQ(m.discovery_prefix, "");
  EXPECT_EQ(c.cameras[0].hold_ms, 2500);
  EXPECT_EQ(c.cameras[0].zone_names.all(),
            (std::map<ZoneKey, std::string>{{{1, 1}, "door"}, {{2, 5}, "gate"}}));
  EXPECT_EQ(c.cameras[0].zone_hold_ms, (std::map<ZoneKey, std::int64_t>{{{1, 1}, 10000}}));
  EXPECT_EQ(c.cameras[1].hold_ms, 0);
  EXPECT_TRUE(c.cameras[1].zone_names.all().empty());
  EXPECT_FALSE(parse_serve_config("cameras:\n  - name: a\n", "f.yaml").mqtt.has_value());
}

TEST(ServeConfig, LoadNamesAMissingFile) {
  EXPECT_THROW(load_serve_config("/nonexistent/serve.yaml"), ConfigError);
}

TEST(ServeConfig, ListenAddressesAndLoopback) {
  std::string host;
  int port = 0;
  EXPECT_TRUE(split_listen_address("[::1]:80", host, port));
  EXPECT_EQ(host, "::1");
  EXPECT_EQ(port, 80);
  EXPECT_FALSE(split_listen_address("::1:80", host, port));
  EXPECT_FALSE(split_listen_address(":80", host, port));
  EXPECT_FALSE(split_listen_address("a:-1", host, port));
  EXPECT_TRUE(is_loopback_host("127.0.0.2"));
  EXPECT_TRUE(is_loopback_host("::1"));
  EXPECT_FALSE(is_loopback_host("0.0.0.0"));
  EXPECT_FALSE(is_loopback_host("192.168.1.2"));
  EXPECT_TRUE(valid_camera_name("cam-1_x"));
  EXPECT_FALSE(valid_camera_name(""));
  EXPECT_FALSE(valid_camera_name("../a"));
  EXPECT_FALSE(valid_camera_name(std::string(33, 'a')));
}

}  // namespace
}  // namespace zentrik
