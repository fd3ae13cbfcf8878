// Prints the control's events on standard output, one line each (readable or JSON), and the
// control's frames-per-second figure once a second unless asked not to.
#pragma once

#include "watch/EventConsumer.h"
#include "watch/WatchOptions.h"
#include "zentrik/control/orvex.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik::cli {

class EventPrinter : public EventConsumer {
 public:
  // Made after the control, so its timer ticks right after the control's has counted a second.
  EventPrinter(orvex& control, const WatchOptions& options);
  void on_event(const WatchEvent& event) override;

 private:
  void print_fps();

  orvex& control_;
  bool json_;
  Timer fps_;
};

}  // namespace zentrik::cli
