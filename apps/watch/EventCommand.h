// Runs the user's command for each event through /bin/sh, with the event's fields in its
// environment (ZENTRIK_EVENT, ZENTRIK_LAYER, ZENTRIK_ZONE, ZENTRIK_STATUS, ZENTRIK_PERCENTAGE,
// ZENTRIK_COLOR, ZENTRIK_FRAME, ZENTRIK_TIME, and ZENTRIK_SNAPSHOT with the path of the snapshot
// written for the event). Commands run in parallel with watching.
#pragma once

#include <string>
#include <vector>

#include "watch/EventConsumer.h"
#include "watch/WatchEvent.h"

namespace zentrik::cli {

class EventCommand : public EventConsumer {
 public:
  explicit EventCommand(std::string command) : command_(std::move(command)) {}
  ~EventCommand() override;  // waits for the commands still running
  EventCommand(const EventCommand&) = delete;
  EventCommand& operator=(const EventCommand&) = delete;

  // Starts the command for `event`; false (with a message on stderr) when it cannot start.
  bool start(const WatchEvent& event);
  // Collects the commands that have finished; returns how many are still running.
  std::size_t reap();
  // Waits for every command still running.
  void wait();
  // Exit statuses other than 0 seen so far.
  int failures() const { return failures_; }

  void on_event(const WatchEvent& event) override { start(event); }
  void between_frames() override { reap(); }
  // Waits for the commands still running and says how many of them all failed.
  void finish() override;

 private:
  std::string command_;
  std::vector<int> running_;
  int failures_ = 0;
};

}  // namespace zentrik::cli
