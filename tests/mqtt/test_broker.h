// A real broker for the MQTT tests: Debian's mosquitto on a free loopback port, configured in a
// temporary folder (optionally with a password file and a TLS certificate made with openssl),
// and a subscriber that records what it receives.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "apps/child_process.h"
#include "support/free_port.h"
#include "zentrik/mqtt/MqttLink.h"
#include "zentrik/mqtt/MqttSettings.h"

namespace zentrik::testing {

struct BrokerOptions {
  std::string username;  // set: the broker takes only this user with this password
  std::string password;
  bool tls = false;  // a certificate for 127.0.0.1 signed by the test's own CA
};

class TestBroker {
 public:
  explicit TestBroker(BrokerOptions options = {});
  ~TestBroker();
  // Starts mosquitto (again) on the broker's port; true once it accepts connections.
  bool start();
  void stop();
  int port() const { return port_; }
  const std::filesystem::path& folder() const { return folder_; }
  std::string ca_file() const { return (folder_ / "ca.crt").string(); }
  // A CA that signed nothing the broker uses.
  std::string other_ca_file() const { return (folder_ / "other-ca.crt").string(); }
  // Settings that reach this broker (credentials and CA included).
  MqttSettings settings(const std::string& client_id) const;

 private:
  void make_certificates();
  BrokerOptions options_;
  std::filesystem::path folder_;
  int port_ = 0;
  std::unique_ptr<ChildProcess> process_;
};

struct Received {
  std::string topic;
  std::string payload;
};

// Subscribes to `topics` and records every message, retained ones included.
class TestSubscriber {
 public:
  TestSubscriber(const MqttSettings& settings, std::vector<std::string> topics);
  ~TestSubscriber();
  // Waits until the subscriptions are in place (a probe message came back); false after 5 s.
  bool ready();
  bool publish(const std::string& topic, const std::string& payload);
  std::vector<Received> messages() const;
  std::vector<Received> on(const std::string& topic) const;
  // Waits (real time) until `done` holds for the messages; false after `limit`.
  bool wait(const std::function<bool(const std::vector<Received>&)>& done,
            std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) const;

 private:
  mutable std::mutex mutex_;
  std::vector<Received> messages_;
  std::unique_ptr<MqttLink> link_;
};

// A port on 127.0.0.1 where nothing ever answers: a listener that never accepts, its backlog
// filled, so a new connection's SYN is dropped and its connect stays pending.
class DeadBroker {
 public:
  DeadBroker();
  ~DeadBroker();
  int port() const { return port_; }

 private:
  int listener_ = -1;
  std::vector<int> fillers_;
  int port_ = 0;
};

}  // namespace zentrik::testing
