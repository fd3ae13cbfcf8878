// The snapshot folder of a camera as the API shows it: plain files only, newest first, and a
// name from outside accepted only when it is a plain file name of a file in that folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zentrik/web/CameraView.h"

namespace zentrik {

// The regular files of `folder` (no hidden files, links or folders), newest first.
std::vector<SnapshotView> list_snapshots(const std::string& folder);
// True for a name without '/', '\\', NUL or a leading '.', of 1 to 255 bytes.
bool plain_file_name(std::string_view name);
// The path of `name` in `folder` when it is a plain file name of a regular file there.
std::optional<std::string> snapshot_path(const std::string& folder, std::string_view name);

}  // namespace zentrik
