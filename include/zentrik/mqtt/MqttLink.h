// One connection to an MQTT broker, kept up on a thread of its own: connects, reconnects after a
// growing pause, resubscribes, and reports what happens through callbacks on that thread. The
// libmosquitto implementation is the only code that sees libmosquitto; tests of the rest can put
// a recording link behind the same interface.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zentrik/mqtt/MqttSettings.h"

namespace zentrik {

// Why the broker could not be used; each kind gets one message until a connection succeeds.
enum class MqttProblem {
  Address,      // the host is unknown or nothing answers on the port
  Credentials,  // the broker refused the user name or password (or the client id)
  Tls,          // the TLS handshake failed: a certificate that does not match the CA file
  Lost,         // an established connection dropped
  Other,
};

class MqttLink {
 public:
  struct Callbacks {
    std::function<void()> connected;  // after every successful connection (subscribed already)
    std::function<void(MqttProblem, const std::string&)> problem;
    std::function<void(const std::string& topic, const std::string& payload)> message;
  };
  struct Will {
    std::string topic;
    std::string payload;  // published retained by the broker if the connection drops
  };

  virtual ~MqttLink() = default;
  // Starts the connection thread; false with `error` set when the settings cannot be used at
  // all (a CA file that cannot be read).
  virtual bool start(const MqttSettings& settings, const Will& will,
                     std::vector<std::string> subscriptions, Callbacks callbacks,
                     std::string* error) = 0;
  // Thread-safe. QoS 1. False when not connected (nothing is sent).
  virtual bool publish(const std::string& topic, const std::string& payload, bool retain) = 0;
  // Waits up to `timeout_ms` until the broker acknowledged every publish; true when it did.
  virtual bool flush(int timeout_ms) = 0;
  // Disconnects cleanly (the will is not published) and ends the thread.
  virtual void stop() = 0;
};

std::unique_ptr<MqttLink> make_mosquitto_link();

// "libmosquitto 2.0.11" as linked at run time.
std::string mqtt_library_version();

}  // namespace zentrik
