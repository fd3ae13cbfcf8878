// Runs the built `zentrik` program for the end-to-end tests, and the files they share: the
// examples folder and the standard scene of the virtual camera as a picture the oracle reads.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "apps/child_process.h"
#include "apps/zone_oracle.h"

namespace zentrik::testing {

std::string zentrik_program();
std::filesystem::path examples_folder();

// `zentrik ARGS...` in `cwd`, with `env` added, within `limit`.
ProcessResult run_zentrik(const std::vector<std::string>& args,
                          const std::filesystem::path& cwd = {},
                          const std::vector<std::pair<std::string, std::string>>& env = {},
                          std::chrono::milliseconds limit = std::chrono::milliseconds(60000));

// The virtual camera's standard scene as the zones see it: at delivered frame n (scene frame
// n - 1) the colour of the topmost patch or object over a point, else a value of the
// background's own at that point (the scene's background never changes and never shows a
// patch's or object's colour, nor black).
PointValue standard_scene_picture();

// Writes `text` to `path`; false when it cannot.
bool write_text_file(const std::filesystem::path& path, const std::string& text);
std::string read_text_file(const std::filesystem::path& path);

// A readable summary of a run for failure messages.
std::string describe(const ProcessResult& result);

}  // namespace zentrik::testing
