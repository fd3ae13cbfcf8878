// A list of capture drivers in enumeration order, owned by the host, and the enumeration call
// that the control's driver search makes over it.
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

  // An empty list; standard() is the usual start. Loop thread only, like every member.
  DriverRegistry() = default;
  // The list a host starts from: the built-in virtual camera alone; real sources go after it.
  static DriverRegistry standard();

  // The entry of the built-in virtual camera playing `options`.
  static Entry virtual_camera(VirtualSceneOptions options = standard_scene());
  // Back to the virtual camera alone (the standard list).
  void reset();

  void add(Entry entry) { entries_.push_back(std::move(entry)); }
  void clear() { entries_.clear(); }
  std::size_t size() const { return entries_.size(); }
  const Entry* at(Long index) const;                      // nullptr outside the list
  std::unique_ptr<CaptureDriver> open(Long index) const;  // nullptr outside the list

 private:
  std::vector<Entry> entries_;
};

// Copies driver `index`'s description and version of `drivers` into the buffers (at most the
// given capacities, NUL-terminated, the rest of each buffer untouched); 0 when there is no such
// driver, non-zero otherwise. A null buffer or a capacity below 1 leaves that buffer alone.
Long capGetDriverDescriptionA(const DriverRegistry& drivers, Long index, char* description,
                              Long descriptionSize, char* version, Long versionSize);

}  // namespace zentrik
