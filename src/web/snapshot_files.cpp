// Listing and finding snapshot files without ever leaving the snapshot folder.
#include "snapshot_files.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace zentrik {
namespace {

constexpr std::size_t kMaxName = 255;
constexpr std::size_t kMaxListed = 1000;

std::int64_t unix_ms(std::filesystem::file_time_type time) {
  const auto system = std::chrono::file_clock::to_sys(time);
  return std::chrono::duration_cast<std::chrono::milliseconds>(system.time_since_epoch()).count();
}

}  // namespace

bool plain_file_name(std::string_view name) {
  if (name.empty() || name.size() > kMaxName || name.front() == '.') return false;
  return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::vector<SnapshotView> list_snapshots(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<SnapshotView> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!plain_file_name(name) || !it->is_regular_file(ec) || it->is_symlink(ec)) continue;
    SnapshotView view{name, it->file_size(ec), unix_ms(it->last_write_time(ec))};
    if (!ec) files.push_back(std::move(view));
  }
  std::sort(files.begin(), files.end(), [](const SnapshotView& a, const SnapshotView& b) {
    return a.unix_ms != b.unix_ms ? a.unix_ms > b.unix_ms : a.name > b.name;
  });
  if (files.size() > kMaxListed) files.resize(kMaxListed);
  return files;
}

std::optional<std::string> snapshot_path(const std::string& folder, std::string_view name) {
  namespace fs = std::filesystem;
  if (!plain_file_name(name)) return std::nullopt;
  const fs::path path = fs::path(folder) / std::string(name);
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (ec || !fs::is_regular_file(status)) return std::nullopt;
  return path.string();
}

}  // namespace zentrik
