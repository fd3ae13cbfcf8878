// What the cameras of one host share on the loop thread: the event hub, the message boxes a
// request is collecting, the camera being served, how frames are paced, the state folder.
#pragma once

#include <string>
#include <vector>

#include "event_hub.h"
#include "zentrik/capture/ezVidCap.h"
#include "zentrik/mqtt/MqttPublisher.h"
#include "zentrik/web/CameraView.h"

namespace zentrik {

struct HostServices {
  EventHub hub;
  std::string state_dir;
  ezVidCap::Pacing pacing = ezVidCap::Pacing::RealTime;
  std::string default_script_text;  // for cameras without a script of their own (the demo)
  std::string default_script_name;
  double virtual_frame_rate = 0;  // above 0: the virtual camera's frames per second
  int retry_seconds = 5;          // pause before a failed source is tried again

  MqttPublisher* mqtt = nullptr;  // the host's broker connection; null: none

  // The About box as ShowAbout last showed it.
  std::string about_title;
  std::vector<std::string> about_lines;

  // Loop thread. The camera the loop is working for (labels message boxes).
  std::string current_camera;
  // While a request runs: where its message boxes go as well.
  std::vector<MessageView>* collecting = nullptr;

  void publish(std::string type, std::string data) {
    hub.publish({std::move(type), std::move(data)});
  }
};

}  // namespace zentrik
