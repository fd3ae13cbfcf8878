// Writes a JPEG snapshot of the frame that raised an event, at the source's full resolution with
// the zone's rectangle drawn, when a zone triggers (its first trigger, or every one), under a
// name unique across runs: KIND-LLAYER-ZZONE-TIME-fFRAME.jpg. Files are replaced atomically; a
// failure is said once, naming the file and the reason, and the failures that follow are counted
// and summed up at the end.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "watch/WatchEvent.h"
#include "watch/WatchOptions.h"
#include "zentrik/control/orvex.h"

namespace zentrik::cli {

class SnapshotTaker {
 public:
  // Makes the folder and tries a write there; without success, says so and takes none.
  SnapshotTaker(orvex& control, const WatchOptions& options);
  // Inside the event's frame: writes the snapshot the event calls for; its path, or "" when it
  // calls for none or the write failed.
  std::string take(const WatchEvent& event);
  // The count of failed writes, when more than the one already said.
  void finish();

 private:
  bool prepare_folder();
  std::string unique_name(const WatchEvent& event) const;
  bool write(const std::string& path, const WatchEvent& event);

  orvex& control_;
  std::string folder_;
  bool every_trigger_;
  bool plain_;
  bool ok_ = false;
  std::map<std::pair<Integer, Integer>, bool> triggered_;
  int failures_ = 0;
  std::string last_failure_;  // "PATH: REASON"
};

}  // namespace zentrik::cli
