#include "image/ImageFiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <stdexcept>

#include "cli/AtomicFile.h"
#include "cli/CommandLine.h"
#include "palette/RawPaletteSave.h"
#include "zentrik/bmpread/BitmapToDib.h"
#include "zentrik/imaging/JpegMemory.h"
#include "zentrik/imaging/mIntelJPEGLibrary.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"

namespace zentrik::cli {
namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

void load_image(const std::string& path, cDIBSection& image) {
  if (!load_bitmap_file(path, image)) {  // raises with what is wrong with the file
    throw std::runtime_error(path + ": no memory for the image");
  }
}

void save_image(cDIBSection& image, const std::string& path, Long quality) {
  const std::string name = lower(path);
  if (ends_with(name, ".jpg") || ends_with(name, ".jpeg")) {
    const std::vector<std::uint8_t> bytes = jpeg_from_dib(image, quality);
    if (bytes.empty()) throw std::runtime_error(path + ": the picture cannot be coded as JPEG");
    if (const int error = write_file_atomically(path, bytes))
      throw std::runtime_error(write_failure(path, error));
  } else {
    bool written = false;
    errno = 0;
    try {
      written = is_true(image.SavePicture(path));
    } catch (const AutomationError& e) {  // the writer raises when the file cannot be made
      throw std::runtime_error(path + ": " + e.description());
    }
    if (!written) throw std::runtime_error(write_failure(path, errno));
  }
}

void load_palette(const std::string& path, cPalette& palette, Long offset) {
  Long error = 0;
  auto text = read_file(path, &error);
  if (!text) throw std::runtime_error(path + ": " + system_message(error));
  if (text->rfind("JASC", 0) == 0) {
    try {
      palette.LoadFromJASCFile(path);
    } catch (const AutomationError& e) {
      throw std::runtime_error(path + ": a colour line of the JASC palette is wrong (" +
                               e.description() + ")");
    }
    // The reader skips every line that is not three numbers; lines ending in a bare line feed
    // make the whole file one line, so nothing at all is read.
    if (palette.Count() == 0) {
      throw std::runtime_error(path +
                               ": the JASC palette has no colour lines (one \"R G B\" line per "
                               "colour, lines ending in CR LF)");
    }
    return;
  }
  Long position = offset;
  if (!is_true(palette.Load(path, position))) {
    throw std::runtime_error(path + ": not a palette file (neither JASC text nor a raw block)");
  }
}

void save_palette(cPalette& palette, const std::string& path, bool raw) {
  if (raw) {
    save_raw_palette(palette, path);  // never in place: a failure keeps the old file
  } else {
    errno = 0;
    try {
      palette.SaveToJASCFile(path);  // through a temporary file: a failure keeps the old one
    } catch (const AutomationError& e) {
      throw std::runtime_error(write_failure(path, errno));
    }
  }
}

void make_standard_palette(const std::string& name, cPalette& palette) {
  if (name == "mono") {
    palette.CreateMono();
  } else if (name == "16") {
    palette.Create16Colour();
  } else if (name == "halftone") {
    palette.CreateHalfTone();
  } else if (name == "websafe") {
    palette.CreateWebSafe();
  } else {
    throw UsageError("unknown standard palette '" + name + "' (mono, 16, halftone, websafe)");
  }
}

}  // namespace zentrik::cli
