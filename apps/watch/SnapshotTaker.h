// Asks the control for a JPEG snapshot when a zone triggers (its first trigger, or every one),
// one request per frame, and writes the requests still waiting at the end from the last frame.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "watch/EventConsumer.h"
#include "watch/WatchOptions.h"
#include "zentrik/control/orvex.h"

namespace zentrik::cli {

class SnapshotTaker : public EventConsumer {
 public:
  // Makes the folder and tries a write there; without success, says so and takes none.
  SnapshotTaker(orvex& control, const WatchOptions& options);
  void on_event(const WatchEvent& event) override;
  void between_frames() override;
  void finish() override;

 private:
  bool prepare_folder();

  orvex& control_;
  std::string folder_;
  bool every_trigger_;
  bool ok_ = false;
  std::map<std::pair<Integer, Integer>, bool> triggered_;
  std::vector<std::string> pending_;  // snapshot files still to ask for, oldest first
};

}  // namespace zentrik::cli
