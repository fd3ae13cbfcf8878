// The capture drivers installed on this system, in enumeration order, and the enumeration call
// that the control's driver search uses.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zentrik/capture/CaptureDriver.h"

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
  static DriverRegistry& system();

  void add(Entry entry) { entries_.push_back(std::move(entry)); }
  void clear() { entries_.clear(); }
  std::size_t size() const { return entries_.size(); }
  const Entry* at(Long index) const;  // nullptr outside the list
  std::unique_ptr<CaptureDriver> open(Long index) const;  // nullptr outside the list

 private:
  std::vector<Entry> entries_;
};

// Copies driver `index`'s description and version into the buffers (at most the given
// capacities, NUL-terminated, the rest of each buffer untouched); 0 when there is no such
// driver, non-zero otherwise.
Long capGetDriverDescriptionA(Long index, char* description, Long descriptionSize,
                              char* version, Long versionSize);

}  // namespace zentrik
