// A host of the orvex control, as a project outside Zentrik writes it: one motion zone over the
// whole picture of the built-in virtual camera, a few frames, and the events that came.
#include <cstdio>
#include <span>

#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/capture/ezVidCap.h"
#include "zentrik/control/orvex.h"
#include "zentrik/platform/message_loop.h"

namespace {

class EventCount : public zentrik::EventSink {
 public:
  void on_event(zentrik::DispId, std::span<zentrik::Variant>) override { ++events; }
  int events = 0;
};

}  // namespace

int main() {
  using namespace zentrik;
  const DriverRegistry drivers = DriverRegistry::standard();  // the host owns its driver list
  orvex control(drivers);
  EventCount count;
  control.events().advise(&count);
  control.video().set_pacing(ezVidCap::Pacing::AsFastAsConsumed);

  Integer layer = 1, zone = 1, left = 0, top = 0, width = 320, height = 240, percentage = 1;
  control.add_motion_detection(layer, zone, left, top, width, height, percentage);
  control.set_layer(layer);
  control.set_active(vbTrue);
  for (int frame = 0; frame < 5; ++frame) {
    control.video().deliver_frames(1);
    MessageLoop::instance().run_until_idle();
  }
  control.set_active(vbFalse);

  std::printf("zentrik host: %lld frames, %d events\n",
              static_cast<long long>(control.video().frames_delivered()), count.events);
  return control.video().frames_delivered() == 5 && count.events > 0 ? 0 : 1;
}
