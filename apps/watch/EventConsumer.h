// Something that acts on the control's events during a watch: prints them, writes snapshots,
// runs the user's command. A new consumer is a class of its own added in the session's set-up.
#pragma once

#include "watch/WatchEvent.h"

namespace zentrik::cli {

class EventConsumer {
 public:
  virtual ~EventConsumer() = default;
  // On the loop thread, inside the frame that raised the event.
  virtual void on_event(const WatchEvent& event) = 0;
  // Between frames: a place for work that must not run inside a frame.
  virtual void between_frames() {}
  // Once, after capture has stopped: the last work, and any message about the run.
  virtual void finish() {}
};

}  // namespace zentrik::cli
