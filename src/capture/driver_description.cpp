// capGetDriverDescriptionA: a driver's description and version copied into callers' buffers.
#include <algorithm>
#include <cstring>

#include "zentrik/capture/DriverRegistry.h"

namespace zentrik {
namespace {

// Copies at most capacity - 1 characters and a NUL; the bytes after the NUL stay as they were.
void copy_text(const std::string& text, char* buffer, Long capacity) {
  if (buffer == nullptr || capacity < 1) return;
  const std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity) - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
}

}  // namespace

Long capGetDriverDescriptionA(const DriverRegistry& drivers, Long index, char* description,
                              Long descriptionSize, char* version, Long versionSize) {
  const DriverRegistry::Entry* entry = drivers.at(index);
  if (entry == nullptr) return 0;
  copy_text(entry->description, description, descriptionSize);
  copy_text(entry->version, version, versionSize);
  return 1;
}

}  // namespace zentrik
