#include "apps/zentrik_program.h"

#include <fstream>
#include <sstream>

#include "zentrik/capture/SceneScript.h"

namespace zentrik::testing {

std::string zentrik_program() {
  return ZENTRIK_PROGRAM;
}

std::filesystem::path examples_folder() {
  return ZENTRIK_EXAMPLES;
}

ProcessResult run_zentrik(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                          const std::vector<std::pair<std::string, std::string>>& env,
                          std::chrono::milliseconds limit) {
  ProcessOptions options;
  options.args.push_back(zentrik_program());
  options.args.insert(options.args.end(), args.begin(), args.end());
  options.cwd = cwd;
  options.env = env;
  options.limit = limit;
  return run_process(options);
}

PointValue standard_scene_picture() {
  const std::vector<ScenePatch> patches = standard_patches();
  const std::vector<SceneObject> objects = standard_objects();
  return [patches, objects](std::int64_t frame, int x, int y) -> std::uint64_t {
    const std::int64_t f = frame - 1;
    std::uint64_t value = (std::uint64_t{1} << 32) | (static_cast<std::uint64_t>(x) << 16) |
                          static_cast<std::uint64_t>(y);
    for (const ScenePatch& p : patches) {
      if (p.schedule.shown(f) && p.rect.contains(x, y)) value = p.colour;
    }
    for (const SceneObject& o : objects) {
      if (auto at = o.position(f); at && at->contains(x, y)) value = o.colour;
    }
    return value;
  };
}

bool write_text_file(const std::filesystem::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  return static_cast<bool>(file);
}

std::string read_text_file(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string describe(const ProcessResult& r) {
  std::ostringstream text;
  text << "exit " << r.exit_code << (r.signal ? " signal " + std::to_string(r.signal) : "")
       << (r.timed_out ? " (timed out)" : "") << "\n--- stdout ---\n"
       << r.out.substr(0, 4000) << "\n--- stderr ---\n"
       << r.err.substr(0, 4000);
  return text.str();
}

}  // namespace zentrik::testing
