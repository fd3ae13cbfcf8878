// Publishes a watch's events to an MQTT broker (--mqtt): events, steady zone states, event
// snapshots at the source's full resolution, commands, Home Assistant discovery. Broker trouble
// is reported once and watching goes on.
#pragma once

#include <functional>
#include <memory>

#include "watch/EventConsumer.h"
#include "watch/WatchOptions.h"
#include "zentrik/control/orvex.h"
#include "zentrik/mqtt/MqttPublisher.h"

namespace zentrik::cli {

class MqttConsumer : public EventConsumer {
 public:
  // After the script ran (the zones are known). `changed` runs after a command wrote the control.
  MqttConsumer(orvex& control, const WatchOptions& options, std::function<void()> changed);
  void on_event(const WatchEvent& event) override;
  void between_frames() override;
  void finish() override;

 private:
  void publish_snapshot(Integer layer, Integer zone);

  orvex& control_;
  std::string camera_;
  std::unique_ptr<MqttPublisher> publisher_;  // null when the settings were unusable
};

}  // namespace zentrik::cli
