// A camera's zone events: named and warm-up marked for the page and the broker, and the event
// snapshot a zone's trigger writes at the source's full resolution with the zone drawn on it.
#include <cerrno>
#include <cstring>

#include "api_json.h"
#include "camera.h"
#include "zentrik/control/orvex.h"
#include "zentrik/events/EventSnapshot.h"
#include "zentrik/platform/files.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik {
namespace {

// A zone that keeps triggering writes at most one event snapshot in this time.
constexpr std::int64_t kEventSnapshotGapMs = 5000;

// "event-motion-door-20261208T101500.123Z-f42.jpg" (the zone's name, or L1-Z2).
std::string event_snapshot_name(const ZoneEvent& e, const std::string& zone_id) {
  std::string time = format_utc(e.unix_ms);
  std::erase_if(time, [](char c) { return c == '-' || c == ':'; });
  std::string name = "event-";  // appended piece by piece: GCC 12 warns wrongly about a + chain
  for (const std::string& part : {std::string(e.kind()), zone_id, time}) name.append(part) += '-';
  return name.append("f").append(std::to_string(e.frame)).append(".jpg");
}

// Written under a hidden name and renamed, so the gallery never lists half a file. 0 or the
// reason it failed.
int write_whole(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  ReplacingFileWriter writer;
  if (writer.open(path) && writer.write(bytes) == bytes.size() && writer.commit()) return 0;
  return writer.error() ? static_cast<int>(writer.error()) : EIO;
}

}  // namespace

// The first frame evaluated with a layer is warm-up; the layer may change between frames.
void Camera::observe_layer() {
  if (control_) warm_up_.observe(control_->layer(), control_->video().frames_delivered());
}

void Camera::on_zone_event(DispId id, std::span<Variant> args) {
  ZoneEvent e = read_control_event(id, args);
  e.camera = this->id();
  e.name = config_.zone_names.name(e.layer, e.zone);
  e.frame = control_->video().frames_delivered();
  e.unix_ms = unix_ms_now();
  e.warmup = warm_up_.classify(e.layer, e.zone, e.status, e.frame);
  ZoneEventView view{e.camera,      e.layer, e.zone,    e.color, e.status, e.percentage,
                     e.color_value, e.frame, e.unix_ms, e.name,  e.warmup};
  services_.publish("zone", api_json::zone_event(view));
  if (services_.mqtt) services_.mqtt->event(e);
  if (e.status && !e.warmup) take_event_snapshot(e);
}

// At most one per zone in kEventSnapshotGapMs: a flickering zone must not fill the disk.
void Camera::take_event_snapshot(const ZoneEvent& e) {
  const std::int64_t now = MessageLoop::instance().now_ms();
  auto [last, fresh] = event_snapshot_ms_.try_emplace({e.layer, e.zone}, now);
  if (!fresh && now - last->second < kEventSnapshotGapMs) return;
  last->second = now;
  std::vector<std::uint8_t> jpeg =
      event_snapshot_jpeg(*control_, zone_rect(*control_, e.layer, e.zone));
  if (jpeg.empty()) return;
  const std::string name = event_snapshot_name(e, config_.zone_names.id(e.layer, e.zone));
  const std::string path = snapshot_dir_ + "/" + name;
  if (const int error = write_whole(path, jpeg); error == 0) {
    services_.publish("snapshot", api_json::snapshot_event(id(), name));
  } else {
    std::string text = "cannot write the event snapshot ";  // GCC 12: no + chain here
    text.append(path).append(": ").append(std::strerror(error));
    services_.publish("message", api_json::message_event(id(), {"Zentrik", text}));
  }
  if (services_.mqtt) services_.mqtt->snapshot(id(), std::move(jpeg));
}

MqttCamera Camera::mqtt_camera(std::function<void()> changed) {
  MqttCamera m;
  m.name = id();
  m.control = control_.get();
  m.names = config_.zone_names;
  m.hold = ZoneHold(config_.hold_ms);
  for (const auto& [key, ms] : config_.zone_hold_ms) m.hold.set_hold(key.first, key.second, ms);
  m.take_snapshot = [this] {
    if (!control_) return;
    services_.mqtt->snapshot(id(), event_snapshot_jpeg(*control_, std::nullopt));
  };
  m.changed = [this, changed = std::move(changed)] {
    observe_layer();
    publish_state();
    publish_outlines_if_changed();
    if (changed) changed();
  };
  return m;
}

}  // namespace zentrik
