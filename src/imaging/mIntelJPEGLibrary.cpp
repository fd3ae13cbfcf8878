// WriteJpegFile: fills the library's record from an image buffer and writes it in one operation.
#include "zentrik/imaging/mIntelJPEGLibrary.h"

#include <cstdint>

#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/message_box.h"

namespace zentrik {

namespace {
constexpr const char* kTitle = "Zentrik";
}

Boolean mIntelJPEGLibrary::WriteJpegFile(cDIBSection& image, const std::string& path,
                                         Long quality) {
  status_ = library_.Init(&jcprops_);
  if (status_ != ijl::kOk) {
    MsgBox("Failed to initialise the IJL library: " + std::to_string(status_),
           vbOKOnly | vbExclamation, kTitle);
    return vbFalse;
  }

  // The buffer's rows lie bottom-up: a negative height says so.
  jcprops_.DIBBytes = image.DIBSectionBitsPtr();
  jcprops_.DIBWidth = image.Width();
  jcprops_.DIBHeight = static_cast<Long>(-std::int64_t{image.Height()});
  jcprops_.DIBPadBytes =
      static_cast<Long>(std::int64_t{image.BytesPerScanLine()} - 3 * std::int64_t{image.Width()});

  fileNameBytes_.assign(path.begin(), path.end());
  fileNameBytes_.push_back('\0');
  jcprops_.JPGFile = fileNameBytes_.data();

  jcprops_.JPGWidth = image.Width();
  jcprops_.JPGHeight = image.Height();
  jcprops_.jquality = quality;

  status_ = library_.Write(&jcprops_, IJLIOTYPE::IJL_JFILE_WRITEWHOLEIMAGE);
  const Boolean written = to_boolean(status_ == ijl::kOk);
  if (!is_true(written)) MsgBox("Failed to save to JPG", vbOKOnly | vbExclamation, kTitle);
  library_.Free(&jcprops_);
  return written;
}

Boolean WriteJpegFile(cDIBSection& image, const std::string& path, Long quality) {
  mIntelJPEGLibrary module;
  return module.WriteJpegFile(image, path, quality);
}

}  // namespace zentrik
