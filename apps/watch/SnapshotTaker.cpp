#include "watch/SnapshotTaker.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/AtomicFile.h"
#include "zentrik/events/EventSnapshot.h"
#include "zentrik/platform/files.h"

namespace zentrik::cli {

SnapshotTaker::SnapshotTaker(orvex& control, const WatchOptions& options)
    : control_(control),
      folder_(options.snapshots),
      every_trigger_(options.every_trigger),
      plain_(options.plain_snapshots) {
  ok_ = prepare_folder();
}

bool SnapshotTaker::prepare_folder() {
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  const std::string probe = folder_ + "/.zentrik-write-test";
  File file = File::create(probe);
  if (ec || !file.is_open()) {
    std::fprintf(stderr,
                 "zentrik watch: cannot write snapshots to %s: %s; watching goes on without "
                 "snapshots\n",
                 folder_.c_str(),
                 (ec ? ec.message() : std::string(std::strerror(file.error()))).c_str());
    return false;
  }
  file.close();
  DeleteFileA(probe);
  return true;
}

// "motion-L1-Z4-20261208T221500.123Z-f42.jpg", with "-2", "-3", ... before ".jpg" in the rare case
// that another run wrote that name in the same millisecond.
std::string SnapshotTaker::unique_name(const WatchEvent& e) const {
  std::string time = format_utc(e.unix_ms);  // without "-" and ":", which names avoid
  std::erase_if(time, [](char c) { return c == '-' || c == ':'; });
  const std::string stem = folder_ + "/" + e.kind + "-L" + std::to_string(e.layer) + "-Z" +
                           std::to_string(e.zone) + "-" + time + "-f" + std::to_string(e.frame);
  std::string path = stem + ".jpg";
  for (int n = 2; FileExists(path); ++n) path = stem + "-" + std::to_string(n) + ".jpg";
  return path;
}

// The source's frame at its full resolution (the control's 320 x 240 frame when the source keeps
// none), with the zone's rectangle unless plain snapshots were asked for.
bool SnapshotTaker::write(const std::string& path, const WatchEvent& e) {
  const auto rect = plain_ ? std::nullopt : zone_rect(control_, e.layer, e.zone);
  const std::vector<std::uint8_t> bytes =
      event_snapshot_jpeg(control_, rect, orvex::kSnapshotQuality);
  const int error = bytes.empty() ? -1 : write_file_atomically(path, bytes);
  if (error == 0) return true;
  ++failures_;
  last_failure_ = path + ": " + (error > 0 ? std::strerror(error) : "the picture cannot be coded");
  if (failures_ == 1)
    std::fprintf(stderr, "zentrik watch: cannot write the snapshot %s\n", last_failure_.c_str());
  return false;
}

std::string SnapshotTaker::take(const WatchEvent& e) {
  if (!ok_ || !e.status || e.warmup) return {};  // warm-up shows the empty first frame
  auto& seen = triggered_[{e.layer, e.zone}];
  if (seen && !every_trigger_) return {};
  seen = true;
  const std::string path = unique_name(e);
  return write(path, e) ? path : std::string{};
}

void SnapshotTaker::finish() {
  if (failures_ > 1) {
    std::fprintf(stderr, "zentrik watch: %d snapshots could not be written (the last: %s)\n",
                 failures_, last_failure_.c_str());
  }
}

}  // namespace zentrik::cli
