// mIntelJPEGLibrary: writes an image buffer to a JPEG file through the JPEG library's ijlInit,
// ijlWrite and ijlFree, and tells the user in a message box when that fails.
#pragma once

#include <string>
#include <vector>

#include "zentrik/imaging/ijl.h"
#include "zentrik/platform/automation.h"

namespace zentrik {

class cDIBSection;

// The module's state: the library's record and the file-name bytes, reused by every call.
// Calls on one object must not overlap.
class mIntelJPEGLibrary {
 public:
  // `library` is the entry-point table of the loaded library (ours unless a test gives another).
  explicit mIntelJPEGLibrary(IjlEntryPoints library = {}) : library_(library) {}

  // Writes `image` (which must hold a buffer) to `path` at `quality`; True when the file was
  // written. Failures show a message box titled "Zentrik" and give False; nothing is raised.
  Boolean WriteJpegFile(cDIBSection& image, const std::string& path, Long quality);

  const JPEG_CORE_PROPERTIES& record() const { return jcprops_; }
  Long lastStatus() const { return status_; }

 private:
  IjlEntryPoints library_;
  JPEG_CORE_PROPERTIES jcprops_;
  std::vector<char> fileNameBytes_;  // the path with a zero byte appended
  Long status_ = 0;
};

// WriteJpegFile through a module object of its own.
Boolean WriteJpegFile(cDIBSection& image, const std::string& path, Long quality);

}  // namespace zentrik
