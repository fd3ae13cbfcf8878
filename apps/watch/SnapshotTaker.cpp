#include "watch/SnapshotTaker.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/imaging/mIntelJPEGLibrary.h"
#include "zentrik/platform/files.h"

namespace zentrik::cli {

SnapshotTaker::SnapshotTaker(orvex& control, const WatchOptions& options)
    : control_(control), folder_(options.snapshots), every_trigger_(options.every_trigger) {
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

void SnapshotTaker::on_event(const WatchEvent& e) {
  if (!ok_ || !e.status) return;
  auto& seen = triggered_[{e.layer, e.zone}];
  if (seen && !every_trigger_) return;
  seen = true;
  pending_.push_back(folder_ + "/" + e.kind + "-L" + std::to_string(e.layer) + "-Z" +
                     std::to_string(e.zone) + "-f" + std::to_string(e.frame) + ".jpg");
}

// The control serves one request per frame (a second request in one frame would replace the
// first): the next one is handed over once it has taken the previous one.
void SnapshotTaker::between_frames() {
  if (pending_.empty() || !control_.state().snapshot_file.empty()) return;
  std::string file = pending_.front();
  pending_.erase(pending_.begin());
  Boolean truecolor = vbTrue;
  control_.save_picture(file, truecolor);
}

// No frame will serve the requests still waiting (the one handed to the control included): they
// are written from the last grabbed frame, so a zone that triggers on the final frames still
// leaves its snapshot.
void SnapshotTaker::finish() {
  std::vector<std::string> files;
  if (!control_.state().snapshot_file.empty()) files.push_back(control_.state().snapshot_file);
  files.insert(files.end(), pending_.begin(), pending_.end());
  pending_.clear();
  if (files.empty()) return;
  std::string none;
  Boolean truecolor = vbTrue;
  control_.save_picture(none, truecolor);
  const PicturePtr last = control_.picture(vbTrue);
  if (!last) return;
  cDIBSection image;
  image.CreateFromPicture(*last);
  for (const std::string& file : files) WriteJpegFile(image, file, orvex::kSnapshotQuality);
}

}  // namespace zentrik::cli
