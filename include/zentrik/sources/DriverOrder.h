// The capture drivers the program offers the control after the built-in virtual camera: the
// V4L2 cameras found, then the source named on the command line. The control falls back to the
// last driver, so it picks the named source, else a real camera, else the virtual camera.
#pragma once

#include <string>
#include <vector>

#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/sources/MediaSourceDriver.h"
#include "zentrik/sources/V4l2Devices.h"

namespace zentrik {

// The registry entry of a camera: its card name (or "Camera: /dev/videoN" without one), with
// "V4L2 /dev/videoN" as the version text.
DriverRegistry::Entry camera_entry(const V4l2Device& camera, const MediaSourceOptions& options);

// The registry entry of a named source: "File: NAME", "Stream: URL" (no password) or, for a
// device node, the card name of the matching camera in `cameras`.
DriverRegistry::Entry named_source_entry(const std::string& location,
                                         const std::vector<V4l2Device>& cameras,
                                         const MediaSourceOptions& options);

// Appends the cameras in their order, then the named source unless `named_source` is empty.
// `options` serve every driver made (retry policy, time-out, status callback); the location and
// description are each entry's own.
void add_real_sources(DriverRegistry& registry, const std::vector<V4l2Device>& cameras,
                      const std::string& named_source, const MediaSourceOptions& options = {});

}  // namespace zentrik
