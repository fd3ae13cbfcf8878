#include "zentrik/mqtt/MqttPublisher.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "ha_discovery.h"
#include "mqtt_command.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik {
namespace {

constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";

bool zone_defined(const OrvexState& s, Integer layer, Integer zone) {
  return s.motion_percentage(layer, zone) > 0 || s.color_percentage(layer, zone) > 0;
}

bool zone_on(const orvex& control, ZoneKey key) {
  return control.state().zone_state(key.first, key.second) == vbTrue;
}

}  // namespace

struct MqttPublisher::Camera {
  MqttCamera config;
  std::vector<ZoneKey> zones;     // defined zones of every layer
  std::set<ZoneKey> unsettled;    // zones whose last transition was warm-up
  std::int64_t warmup_frame = 0;  // the last frame with a warm-up transition
  std::vector<std::uint8_t> last_snapshot;

  const orvex& control() const { return *config.control; }
  void find_zones(bool reset_all) {
    std::vector<ZoneKey> found;
    for (Integer l = 1; l <= kZoneLayers; ++l) {
      for (Integer z = 1; z <= kZonesPerLayer; ++z) {
        if (!zone_defined(control().state(), l, z)) continue;
        found.emplace_back(l, z);
        if (reset_all || std::find(zones.begin(), zones.end(), ZoneKey{l, z}) == zones.end()) {
          config.hold.reset(l, z, zone_on(control(), {l, z}));
        }
      }
    }
    zones = std::move(found);
  }
};

MqttPublisher::MqttPublisher(MqttSettings settings, Report report, std::unique_ptr<MqttLink> link)
    : settings_(std::move(settings)), report_(std::move(report)), link_(std::move(link)) {
  if (settings_.client_id.empty()) settings_.client_id = default_client_id();
  if (!link_) link_ = make_mosquitto_link();
}

MqttPublisher::~MqttPublisher() {
  stop(1000);
}

bool MqttPublisher::add_camera(MqttCamera camera, std::string* error) {
  if (!is_topic_word(camera.name)) {
    *error = "camera name \"" + camera.name + "\" must be letters, digits, '_' or '-'";
    return false;
  }
  if (find(camera.name)) {
    *error = "camera name \"" + camera.name + "\" is used twice";
    return false;
  }
  auto c = std::make_unique<Camera>();
  c->config = std::move(camera);
  cameras_.push_back(std::move(c));
  return true;
}

bool MqttPublisher::start(std::string* error) {
  std::vector<std::string> subscriptions;
  for (auto& c : cameras_) {
    c->find_zones(true);
    subscriptions.push_back(camera_topic(c->config.name, "set/+"));
  }
  MqttLink::Callbacks callbacks;
  callbacks.connected = [this] { post([this] { on_connected(); }); };
  callbacks.problem = [this](MqttProblem problem, const std::string& text) {
    post([this, problem, text] { on_problem(problem, text); });
  };
  callbacks.message = [this](const std::string& topic, const std::string& payload) {
    post([this, topic, payload] { on_message(topic, payload); });
  };
  started_ = link_->start(settings_, {client_topic(), kOffline}, subscriptions, callbacks, error);
  return started_;
}

void MqttPublisher::post(std::function<void()> task) {
  MessageLoop::instance().post([alive = std::weak_ptr<bool>(alive_), task = std::move(task)] {
    if (alive.lock()) task();
  });
}

std::string MqttPublisher::camera_topic(const std::string& camera, const std::string& leaf) const {
  return settings_.topic_prefix + "/" + camera + "/" + leaf;
}

std::string MqttPublisher::zone_topic(const MqttCamera& camera, Integer layer, Integer zone) const {
  return camera_topic(camera.name, "zones/" + camera.names.id(layer, zone));
}

std::string MqttPublisher::client_topic() const {
  return settings_.topic_prefix + "/clients/" + settings_.client_id;
}

MqttPublisher::Camera* MqttPublisher::find(const std::string& name) {
  for (auto& c : cameras_) {
    if (c->config.name == name) return c.get();
  }
  return nullptr;
}

void MqttPublisher::on_connected() {
  if (!started_) return;
  const bool first = !connected_ && told_.empty() && counts_.events == 0;
  connected_ = true;
  if (!told_.empty() || first) {
    report_("MQTT: connected to " + settings_.address() + " as " + settings_.client_id);
  }
  told_.clear();
  link_->publish(client_topic(), kOnline, true);
  for (auto& c : cameras_) publish_camera(*c);
  const std::size_t waiting = queue_.size();
  while (!queue_.empty() && link_->publish(queue_.front().topic, queue_.front().payload, false)) {
    queue_.pop_front();
    ++counts_.events;
  }
  if (waiting > 0) {
    report_("MQTT: " + std::to_string(waiting - queue_.size()) +
            " events raised while the broker was away delivered");
  }
}

void MqttPublisher::on_problem(MqttProblem problem, const std::string& text) {
  if (problem == MqttProblem::Lost) connected_ = false;
  if (!told_.insert(problem).second) return;
  report_("MQTT: " + text + "; watching goes on, trying again in the background");
}

void MqttPublisher::publish_camera(Camera& c) {
  link_->publish(camera_topic(c.config.name, "availability"), kOnline, true);
  publish_controls(c);
  if (!settings_.discovery_prefix.empty()) publish_discovery(c);
  for (ZoneKey key : c.zones) publish_zone(c, key, c.config.hold.shown(key.first, key.second));
  if (!c.last_snapshot.empty()) {
    link_->publish(camera_topic(c.config.name, "snapshot"),
                   std::string(c.last_snapshot.begin(), c.last_snapshot.end()), true);
  }
}

void MqttPublisher::publish_zone(Camera& c, ZoneKey key, bool on) {
  link_->publish(zone_topic(c.config, key.first, key.second), on ? "ON" : "OFF", true);
}

void MqttPublisher::publish_controls(Camera& c) {
  const orvex& control = c.control();
  link_->publish(camera_topic(c.config.name, "layer"), std::to_string(control.layer()), true);
  link_->publish(camera_topic(c.config.name, "colordepth"), std::to_string(control.colordepth()),
                 true);
  link_->publish(camera_topic(c.config.name, "active"), control.active() == vbTrue ? "ON" : "OFF",
                 true);
}

void MqttPublisher::publish_discovery(Camera& c) {
  DiscoveryCamera d;
  d.camera = c.config.name;
  d.node = settings_.topic_prefix + "_" + c.config.name;
  std::replace(d.node.begin(), d.node.end(), '/', '_');
  d.availability = {camera_topic(c.config.name, "availability"), client_topic()};
  d.snapshot_topic = camera_topic(c.config.name, "snapshot");
  d.layer_state_topic = camera_topic(c.config.name, "layer");
  d.layer_command_topic = camera_topic(c.config.name, "set/layer");
  std::set<Integer> layers;
  if (c.control().layer() >= 1) layers.insert(c.control().layer());
  for (ZoneKey key : c.zones) {
    layers.insert(key.first);
    DiscoveryZone z;
    z.layer = key.first;
    z.zone = key.second;
    z.id = c.config.names.id(key.first, key.second);
    z.named = !c.config.names.name(key.first, key.second).empty();
    z.motion = c.control().state().motion_percentage(key.first, key.second) > 0;
    z.state_topic = zone_topic(c.config, key.first, key.second);
    d.zones.push_back(z);
  }
  if (layers.empty()) layers.insert(1);
  d.layers.assign(layers.begin(), layers.end());
  for (const auto& [topic, payload] : discovery_messages(d, settings_.discovery_prefix)) {
    link_->publish(topic, payload, true);
  }
}

void MqttPublisher::send_event(const std::string& topic, const std::string& payload) {
  if (queue_.empty() && link_->publish(topic, payload, false)) {
    ++counts_.events;
    return;
  }
  if (queue_.size() >= settings_.queue_limit) {
    queue_.pop_front();
    ++counts_.dropped;
  }
  queue_.push_back({topic, payload});
}

void MqttPublisher::event(const ZoneEvent& e) {
  Camera* c = find(e.camera);
  if (!c) return;
  send_event(camera_topic(c->config.name, "events"), zone_event_json(e));
  const ZoneKey key{e.layer, e.zone};
  if (e.warmup) {
    c->unsettled.insert(key);
    c->warmup_frame = std::max(c->warmup_frame, e.frame);
    return;
  }
  c->unsettled.erase(key);
  if (auto shown =
          c->config.hold.change(e.layer, e.zone, e.status, MessageLoop::instance().now_ms())) {
    publish_zone(*c, key, *shown);
  }
}

void MqttPublisher::snapshot(const std::string& camera, std::vector<std::uint8_t> jpeg) {
  Camera* c = find(camera);
  if (!c || jpeg.empty()) return;
  c->last_snapshot = std::move(jpeg);
  link_->publish(camera_topic(camera, "snapshot"),
                 std::string(c->last_snapshot.begin(), c->last_snapshot.end()), true);
}

void MqttPublisher::settle_warm_up(Camera& c, bool at_end) {
  if (c.unsettled.empty()) return;
  if (!at_end && c.config.control->video().frames_delivered() <= c.warmup_frame) return;
  for (ZoneKey key : c.unsettled) {
    if (auto shown = c.config.hold.change(key.first, key.second, zone_on(c.control(), key),
                                          MessageLoop::instance().now_ms())) {
      publish_zone(c, key, *shown);
    }
  }
  c.unsettled.clear();
}

void MqttPublisher::tick(std::int64_t now_ms) {
  for (auto& c : cameras_) {
    for (ZoneKey key : c->config.hold.expire(now_ms)) publish_zone(*c, key, false);
    settle_warm_up(*c, false);
  }
}

void MqttPublisher::zones_changed(const std::string& camera) {
  Camera* c = find(camera);
  if (!c) return;
  c->find_zones(false);
  publish_camera(*c);
}

void MqttPublisher::on_message(const std::string& topic, const std::string& payload) {
  std::string camera, what;
  if (!split_command_topic(topic, settings_.topic_prefix, camera, what)) return;
  if (Camera* c = find(camera)) command(*c, what, payload);
}

void MqttPublisher::command(Camera& c, const std::string& what, const std::string& value) {
  ++counts_.commands;
  std::string why;
  const std::optional<MqttCommand> command = parse_mqtt_command(what, value, why);
  if (!command) return reject(c, what, value, why);
  orvex& control = *c.config.control;
  switch (command->kind) {
    case MqttCommand::Kind::Layer:
      control.set_layer(static_cast<Integer>(command->value));
      break;
    case MqttCommand::Kind::ColourDepth:
      control.set_colordepth(static_cast<Long>(command->value));
      break;
    case MqttCommand::Kind::Active:
      control.set_active(command->value != 0 ? vbTrue : vbFalse);
      break;
    case MqttCommand::Kind::Snapshot:
      if (!c.config.take_snapshot) return reject(c, what, value, "this host takes no snapshots");
      c.config.take_snapshot();
      return;
  }
  if (c.config.changed) c.config.changed();
  publish_controls(c);
}

void MqttPublisher::reject(Camera& c, const std::string& what, const std::string& value,
                           const std::string& why) {
  ++counts_.rejected;
  nlohmann::ordered_json j;
  j["command"] = what;
  j["value"] = value;
  j["error"] = why;
  link_->publish(camera_topic(c.config.name, "error"), j.dump(), false);
  report_("MQTT: command " + what + " \"" + value + "\" for " + c.config.name + " refused: " + why);
}

void MqttPublisher::stop(int timeout_ms) {
  if (!started_) return;
  for (auto& c : cameras_) {
    settle_warm_up(*c, true);
    // The run ends: the published states become the control's, held zones included.
    for (ZoneKey key : c->zones) {
      const bool on = zone_on(c->control(), key);
      if (c->config.hold.shown(key.first, key.second) == on) continue;
      c->config.hold.reset(key.first, key.second, on);
      publish_zone(*c, key, on);
    }
    link_->publish(camera_topic(c->config.name, "availability"), kOffline, true);
  }
  link_->publish(client_topic(), kOffline, true);
  link_->flush(timeout_ms);
  link_->stop();
  started_ = false;
  connected_ = false;
  counts_.dropped += static_cast<std::int64_t>(queue_.size());
  queue_.clear();
}

}  // namespace zentrik
