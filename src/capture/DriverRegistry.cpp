// The driver list: the standard one (the virtual camera first) and lookups by enumeration index.
#include "zentrik/capture/DriverRegistry.h"

#include "zentrik/capture/VirtualCamera.h"

namespace zentrik {

DriverRegistry DriverRegistry::standard() {
  DriverRegistry drivers;
  drivers.reset();
  return drivers;
}

DriverRegistry::Entry DriverRegistry::virtual_camera(VirtualSceneOptions options) {
  // The scene is validated here, so that a bad script fails where it is given.
  auto scene = std::make_shared<const VirtualScene>(std::move(options));
  return Entry{VirtualCamera::kDescription, capture_driver_version(),
               [scene] { return std::make_unique<VirtualCamera>(scene); }};
}

void DriverRegistry::reset() {
  entries_.clear();
  add(virtual_camera());
}

const DriverRegistry::Entry* DriverRegistry::at(Long index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return nullptr;
  return &entries_[static_cast<std::size_t>(index)];
}

std::unique_ptr<CaptureDriver> DriverRegistry::open(Long index) const {
  const Entry* entry = at(index);
  if (entry == nullptr || !entry->make) return nullptr;
  return entry->make();
}

}  // namespace zentrik
