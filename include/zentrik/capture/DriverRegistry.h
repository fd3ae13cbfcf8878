// The capture drivers installed on this system, in enumeration order, and the enumeration call
// that the control's driver search uses.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/capture/SceneScript.h"

namespace zentrik {

class DriverRegistry {
 public:
  using Factory = std::function<std::unique_ptr<CaptureDriver>()>;
  struct Entry {
    std::string description;
    std::string version;
    Factory make;
  };

  // The system's list, as capGetDriverDescriptionA enumerates it. Starts with the built-in
  // virtual camera alone; hosts add real sources after it.
  // Loop thread only, like every member.
  static DriverRegistry& system();

  // The entry of the built-in virtual camera playing `options`.
  static Entry virtual_camera(VirtualSceneOptions options = standard_scene());
  // Back to the virtual camera alone (the system list's starting state).
  void reset();

  void add(Entry entry) { entries_.push_back(std::move(entry)); }
  void clear() { entries_.clear(); }
  std::size_t size() const { return entries_.size(); }
  const Entry* at(Long index) const;                      // nullptr outside the list
  std::unique_ptr<CaptureDriver> open(Long index) const;  // nullptr outside the list

 private:
  std::vector<Entry> entries_;
};

// Copies driver `index`'s description and version into the buffers (at most the given
// capacities, NUL-terminated, the rest of each buffer untouched); 0 when there is no such
// driver, non-zero otherwise.
// A null buffer or a capacity below 1 leaves that buffer alone.
Long capGetDriverDescriptionA(Long index, char* description, Long descriptionSize, char* version,
                              Long versionSize);
// The same over another list than the system's.
Long capGetDriverDescriptionA(const DriverRegistry& drivers, Long index, char* description,
                              Long descriptionSize, char* version, Long versionSize);

}  // namespace zentrik
