#include "watch/MqttConsumer.h"

#include <cstdio>

#include "zentrik/events/EventSnapshot.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik::cli {
namespace {

constexpr int kFinishTimeoutMs = 3000;

void say(const std::string& line) {
  std::fprintf(stderr, "zentrik watch: %s\n", line.c_str());
}

}  // namespace

MqttConsumer::MqttConsumer(orvex& control, const WatchOptions& options,
                           std::function<void()> changed)
    : control_(control), camera_(options.camera) {
  publisher_ = std::make_unique<MqttPublisher>(*options.mqtt, say);
  MqttCamera camera;
  camera.name = options.camera;
  camera.control = &control;
  camera.names = options.zone_names;
  camera.hold = options.hold;
  camera.take_snapshot = [this] { publish_snapshot(0, 0); };
  camera.changed = std::move(changed);
  std::string error;
  if (!publisher_->add_camera(std::move(camera), &error) || !publisher_->start(&error)) {
    say("MQTT: " + error + "; watching goes on without MQTT");
    publisher_.reset();
  }
}

void MqttConsumer::on_event(const WatchEvent& w) {
  if (!publisher_) return;
  ZoneEvent e;
  e.camera = camera_;
  e.layer = w.layer;
  e.zone = w.zone;
  e.name = w.name;
  e.color = w.kind == "color";
  e.status = w.status;
  e.percentage = w.percentage;
  e.color_value = w.color;
  e.frame = w.frame;
  e.unix_ms = w.unix_ms;
  e.warmup = w.warmup;
  publisher_->event(e);
  if (e.status && !e.warmup) publish_snapshot(e.layer, e.zone);
}

// The source's latest frame at full resolution, with the zone's rectangle when there is one.
void MqttConsumer::publish_snapshot(Integer layer, Integer zone) {
  publisher_->snapshot(camera_, event_snapshot_jpeg(control_, zone_rect(control_, layer, zone)));
}

void MqttConsumer::between_frames() {
  if (publisher_) publisher_->tick(MessageLoop::instance().now_ms());
}

void MqttConsumer::finish() {
  if (!publisher_) return;
  publisher_->stop(kFinishTimeoutMs);
  const MqttPublisher::Counts counts = publisher_->counts();
  std::fprintf(stderr, "zentrik watch: MQTT: %lld events published, %lld dropped, %lld commands\n",
               static_cast<long long>(counts.events), static_cast<long long>(counts.dropped),
               static_cast<long long>(counts.commands));
}

}  // namespace zentrik::cli
