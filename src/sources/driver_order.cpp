// Registry entries for cameras and a named source, in the order the control's search wants.
#include "zentrik/sources/DriverOrder.h"

#include <algorithm>
#include <memory>

namespace zentrik {
namespace {

DriverRegistry::Entry make_entry(std::string description, std::string version,
                                 const std::string& location, MediaSourceOptions options) {
  options.location = location;
  options.description = description;
  return {std::move(description), std::move(version), [options = std::move(options)] {
            return std::unique_ptr<CaptureDriver>(std::make_unique<MediaSourceDriver>(options));
          }};
}

}  // namespace

DriverRegistry::Entry camera_entry(const V4l2Device& camera, const MediaSourceOptions& options) {
  std::string description = camera.card.empty() ? "Camera: " + camera.path : camera.card;
  return make_entry(std::move(description), "V4L2 " + camera.path, camera.path, options);
}

DriverRegistry::Entry named_source_entry(const std::string& location,
                                         const std::vector<V4l2Device>& cameras,
                                         const MediaSourceOptions& options) {
  const MediaLocation where = classify_location(location);
  if (where.kind == MediaKind::Camera) {
    const auto found = std::find_if(cameras.begin(), cameras.end(),
                                    [&](const V4l2Device& c) { return c.path == location; });
    if (found != cameras.end()) return camera_entry(*found, options);
    return camera_entry({-1, location, {}}, options);
  }
  return make_entry(source_description(where), media_library_version(), location, options);
}

void add_real_sources(DriverRegistry& registry, const std::vector<V4l2Device>& cameras,
                      const std::string& named_source, const MediaSourceOptions& options) {
  for (const V4l2Device& camera : cameras) registry.add(camera_entry(camera, options));
  if (!named_source.empty()) registry.add(named_source_entry(named_source, cameras, options));
}

}  // namespace zentrik
