// Snapshots and colour depth: the snapshot request, the full-colour and reduced snapshot steps
// and the reduction of the preview to 16 or 256 colours through the clipboard.
#include <algorithm>
#include <cctype>

#include "zentrik/colourdepth/cDIBSectionSave.h"
#include "zentrik/control/orvex.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/imaging/mIntelJPEGLibrary.h"
#include "zentrik/platform/clipboard.h"

namespace zentrik {
namespace {

constexpr Long kSixteenColours = 1;      // output depths of cDIBSectionSave::Save
constexpr Long kTwoFiftySixColours = 2;  //

std::string trim_spaces(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// "JPG" at the end of the name in any letter case.
bool names_jpeg(const std::string& name) {
  if (name.size() < 3) return false;
  std::string tail = name.substr(name.size() - 3);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return tail == "JPG";
}

}  // namespace

void orvex::save_picture(std::string& filename, Boolean& truecolor) {
  state_.snapshot_file = filename;
  state_.snapshot_truecolor = truecolor;
}

void orvex::full_colour_snapshot() {
  if (state_.snapshot_file.size() <= 3 || state_.snapshot_truecolor != vbTrue) return;
  BitBlt(tmp_.hDC(), 0, 0, kFrameWidth, kFrameHeight, state_.capture_dc, 0, 0, SRCCOPY);
  write_snapshot(tmp_.Picture());
}

void orvex::reduced_snapshot() {
  if (state_.snapshot_file.size() <= 3 || state_.snapshot_truecolor != vbFalse) return;
  write_snapshot(beeld_.Picture());
}

void orvex::write_snapshot(const PicturePtr& source) {
  // The file keeps the letter case the host gave it: on this platform another case names
  // another file. The request is served, and gone, whatever the write does.
  const std::string fileName = trim_spaces(state_.snapshot_file);
  state_.snapshot_file.clear();
  if (names_jpeg(fileName)) {
    if (!snapshot_dib_) snapshot_dib_ = std::make_unique<cDIBSection>();
    snapshot_dib_->CreateFromPicture(*source);
    WriteJpegFile(*snapshot_dib_, fileName, kSnapshotQuality);  // reports its own failures
  } else {
    SavePicture(*source, fileName);  // a failure ends the frame with its error
  }
}

void orvex::reduce_preview() {
  frame_picture_ = tmp_.Picture();
  if (!depth_writer_) depth_writer_ = std::make_unique<cDIBSectionSave>();
  const Long depth = state_.colordepth == static_cast<Long>(e_colordepth::medium)
                         ? kTwoFiftySixColours
                         : kSixteenColours;
  // The buffer is the control's own: when it holds the reduction of these very pixels already
  // (a still camera's frame keeps its pixel identity), loading and reducing them again would
  // leave it as it is.
  const std::uint64_t identity = pixel_identity(*frame_picture_);
  if (identity == 0 || identity != reduced_identity_ || depth != reduced_depth_) {
    depth_dib_->CreateFromPicture(*frame_picture_);
    depth_writer_->Save("", *depth_dib_, nullptr, depth, 0);
    reduced_identity_ = depth_writer_->converted() ? identity : 0;  // only a complete reduction
    reduced_depth_ = depth;
  }
  if (depth_dib_->CopyToClipboard(vbFalse) != vbFalse) {
    beeld_.SetPicture(ClipboardGetData());
  } else {
    // The clipboard refused the frame (another program holds it): what it has is not this
    // frame, so the reduced frame is shown straight from its buffer.
    beeld_.SetPicture(picture_from_dc(depth_dib_->hdc()));
  }
}

}  // namespace zentrik
