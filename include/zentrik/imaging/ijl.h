// The JPEG library that mIntelJPEGLibrary loads and calls: a core-properties record and the three
// entry points ijlInit, ijlWrite and ijlFree, each returning a status (0 success, negative
// failure).
//
// This is our stand-in for the outside library, encoding with libjpeg-turbo. It accepts 24-bit
// blue-green-red (or red-green-blue) and 8-bit grey sources, rows top-down or, with a negative
// DIBHeight, bottom-up, each row followed by DIBPadBytes bytes, and writes the whole image to the
// file named in JPGFile. The file is written to a temporary file in the same folder and replaces
// the target only when every byte is written, so a failed write leaves an existing file as it was.
#pragma once

#include <memory>

#include "zentrik/platform/automation.h"

namespace zentrik {

// Statuses of the entry points.
namespace ijl {
inline constexpr Long kOk = 0;
inline constexpr Long kBadArguments = -1;          // no record, or a record not initialised
inline constexpr Long kUnsupportedOperation = -2;  // an operation code other than the ones below
inline constexpr Long kUnsupportedChannels = -4;   // channel count or colour order not supported
inline constexpr Long kMemoryError = -5;
inline constexpr Long kInvalidProperties = -8;  // sizes, padding, quality or pixels address wrong
inline constexpr Long kInvalidFileName = -10;   // no file name, or an empty one
inline constexpr Long kFileError = -23;         // the file could not be created or written
inline constexpr Long kInternalError = -24;     // the encoder stopped with an error of its own
}  // namespace ijl

// Operation codes of ijlWrite.
enum class IJLIOTYPE : Long {
  IJL_JFILE_WRITEWHOLEIMAGE = 8,  // the whole image to the file named in JPGFile
};

// Colour orders of the source pixels and colour spaces of the JPEG file.
enum class IJL_COLOR : Long {
  IJL_RGB = 1,
  IJL_BGR = 2,
  IJL_YCBCR = 3,
  IJL_G = 4,
  IJL_OTHER = 255,
};

// Chroma sampling of a colour JPEG: IJL_411 halves both directions, IJL_422 the horizontal one,
// IJL_NONE keeps full resolution.
enum class IJL_JPGSUBSAMPLING : Long {
  IJL_NONE = 0,
  IJL_411 = 1,
  IJL_422 = 2,
};

// What the library keeps between ijlInit and ijlFree; defined by the library.
struct IjlState;
struct IjlStateDeleter {
  void operator()(IjlState* state) const;
};

// The core-properties record. ijlInit fills every field with its default; the caller then sets
// the source and file fields and calls ijlWrite.
struct JPEG_CORE_PROPERTIES {
  // Source pixels.
  const Byte* DIBBytes = nullptr;
  Long DIBWidth = 0;
  Long DIBHeight = 0;  // negative: rows bottom-up in memory (the first row is the bottom one)
  Long DIBPadBytes = 0;
  Long DIBChannels = 0;
  IJL_COLOR DIBColor = IJL_COLOR::IJL_OTHER;
  // The file.
  const char* JPGFile = nullptr;  // NUL-terminated ANSI path
  Long JPGWidth = 0;
  Long JPGHeight = 0;
  Long JPGChannels = 0;
  IJL_COLOR JPGColor = IJL_COLOR::IJL_OTHER;
  IJL_JPGSUBSAMPLING JPGSubsampling = IJL_JPGSUBSAMPLING::IJL_NONE;
  Long jquality = 0;  // 1 (smallest) to 100 (best)

  // Set by ijlInit, released by ijlFree; empty while the record is not initialised.
  std::unique_ptr<IjlState, IjlStateDeleter> state;
};

// Prepares the record for one operation: three channels, blue-green-red source, a colour (YCbCr)
// JPEG with 4:2:0 chroma, quality 75. Re-initialising a record releases what it held.
Long ijlInit(JPEG_CORE_PROPERTIES* jcprops);
// Runs `ioType` on an initialised record.
Long ijlWrite(JPEG_CORE_PROPERTIES* jcprops, IJLIOTYPE ioType);
// Releases what ijlInit prepared; the record can be initialised again.
Long ijlFree(JPEG_CORE_PROPERTIES* jcprops);

// The three entry points as a table, as the caller obtains them from the loaded library. Tests
// put entry points of their own in it to drive the caller's failure paths.
struct IjlEntryPoints {
  Long (*Init)(JPEG_CORE_PROPERTIES*) = &ijlInit;
  Long (*Write)(JPEG_CORE_PROPERTIES*, IJLIOTYPE) = &ijlWrite;
  Long (*Free)(JPEG_CORE_PROPERTIES*) = &ijlFree;
};

}  // namespace zentrik
