// Tells the house what the cameras see: a host owns one publisher per broker connection and
// hands it the zone events of its cameras; it publishes them with retained zone states (steadied
// by hold times), availability, snapshots and Home Assistant discovery, and takes commands that
// write `layer`, `colordepth` and `active` or ask for a snapshot. Everything but the link's own
// thread runs on the message loop; commands reach the control only there.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "zentrik/control/orvex.h"
#include "zentrik/events/ZoneEvent.h"
#include "zentrik/events/ZoneHold.h"
#include "zentrik/events/ZoneNames.h"
#include "zentrik/mqtt/MqttLink.h"
#include "zentrik/mqtt/MqttSettings.h"

namespace zentrik {

struct MqttCamera {
  std::string name;  // [A-Za-z0-9_-]+, unique on the broker: part of every topic
  orvex* control = nullptr;
  ZoneNames names;
  ZoneHold hold;
  // Asked (on the loop) for a snapshot by the snapshot command; the host answers later through
  // MqttPublisher::snapshot().
  std::function<void()> take_snapshot;
  // Called (on the loop) after a command wrote the control.
  std::function<void()> changed;
};

class MqttPublisher {
 public:
  // Messages for the user (connection problems, command errors), on the loop thread.
  using Report = std::function<void(const std::string&)>;
  struct Counts {
    std::int64_t events = 0;   // events handed to the broker
    std::int64_t dropped = 0;  // events lost: the queue was full or never delivered
    std::int64_t commands = 0;
    std::int64_t rejected = 0;  // commands answered on the error topic
  };

  // `link` null: libmosquitto.
  MqttPublisher(MqttSettings settings, Report report, std::unique_ptr<MqttLink> link = nullptr);
  ~MqttPublisher();
  MqttPublisher(const MqttPublisher&) = delete;
  MqttPublisher& operator=(const MqttPublisher&) = delete;

  // Before start(). False with `error` set for a bad or repeated name.
  bool add_camera(MqttCamera camera, std::string* error);
  // Starts connecting in the background; false with `error` when the settings are unusable.
  bool start(std::string* error);
  // Loop thread: one event as the host reports it (named, warm-up marked).
  void event(const ZoneEvent& event);
  // Loop thread: the JPEG of an event snapshot (or one a command asked for).
  void snapshot(const std::string& camera, std::vector<std::uint8_t> jpeg);
  // Loop thread, between frames: hold times that ran out, states after warm-up.
  void tick(std::int64_t now_ms);
  // Loop thread: the zones of a camera changed (a host that edits zones); publishes states and
  // discovery again.
  void zones_changed(const std::string& camera);
  // Publishes the final states and offline, waits up to `timeout_ms` for the broker, and
  // disconnects. Events still queued count as dropped.
  void stop(int timeout_ms = 2000);

  // Waits up to `timeout_ms` until the broker acknowledged everything published so far.
  bool flush(int timeout_ms) { return link_->flush(timeout_ms); }
  bool connected() const { return connected_; }
  Counts counts() const { return counts_; }
  const MqttSettings& settings() const { return settings_; }

  // Topic names.
  std::string camera_topic(const std::string& camera, const std::string& leaf) const;
  std::string zone_topic(const MqttCamera& camera, Integer layer, Integer zone) const;
  std::string client_topic() const;

 private:
  struct Camera;
  struct Outgoing {
    std::string topic;
    std::string payload;
  };

  void on_connected();
  void on_problem(MqttProblem problem, const std::string& text);
  void on_message(const std::string& topic, const std::string& payload);
  void publish_camera(Camera& camera);
  void publish_zone(Camera& camera, ZoneKey key, bool on);
  void publish_controls(Camera& camera);
  void publish_discovery(Camera& camera);
  void send_event(const std::string& topic, const std::string& payload);
  void settle_warm_up(Camera& camera, bool at_end);
  void command(Camera& camera, const std::string& what, const std::string& value);
  void reject(Camera& camera, const std::string& what, const std::string& value,
              const std::string& why);
  Camera* find(const std::string& name);
  void post(std::function<void()> task);

  MqttSettings settings_;
  Report report_;
  std::unique_ptr<MqttLink> link_;
  std::vector<std::unique_ptr<Camera>> cameras_;
  std::deque<Outgoing> queue_;  // events waiting for the broker
  bool connected_ = false;
  bool started_ = false;
  std::set<MqttProblem> told_;  // problems reported since the last connection
  Counts counts_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zentrik
