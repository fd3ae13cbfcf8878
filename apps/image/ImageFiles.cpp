#include "image/ImageFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <stdexcept>

#include "cli/AtomicFile.h"
#include "cli/CommandLine.h"
#include "palette/RawPaletteSave.h"
#include "zentrik/bmpread/BitmapToDib.h"
#include "zentrik/imagefiles/ImageFile.h"
#include "zentrik/imagefiles/ImageWriters.h"
#include "zentrik/imagefiles/PaletteFormats.h"
#include "zentrik/imaging/JpegMemory.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"

namespace zentrik::cli {
namespace {

// A failure that already names its file.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string reason_of(Long error) {
  std::string text = system_message(error);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.empty() ? "error " + std::to_string(error) : text;
}

std::span<const std::uint8_t> bytes_of(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string read_input(const std::string& path) {
  if (path == kStandardStream) {
    std::string bytes{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    if (std::cin.bad()) throw std::runtime_error("standard input could not be read");
    return bytes;
  }
  Long error = 0;
  auto bytes = read_file(path, &error);
  if (!bytes) throw std::runtime_error(path + ": " + reason_of(error));
  return *bytes;
}

// The bytes as the whole new file (or standard output), replacing an old file only when done.
void write_output(const std::string& path, std::span<const std::uint8_t> bytes) {
  if (path == kStandardStream) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
        std::fflush(stdout) != 0)
      throw std::runtime_error("standard output could not be written");
    return;
  }
  if (const int error = write_file_atomically(path, bytes))
    throw std::runtime_error(write_failure(path, error));
}

// A new empty file in the temporary folder, its name ending in `suffix`; "" when none can be
// made.
std::string temporary_file(const std::string& suffix) {
  const char* folder = std::getenv("TMPDIR");
  std::string name = std::string(folder && *folder ? folder : "/tmp") + "/zentrik-XXXXXX" + suffix;
  const int fd = mkstemps(name.data(), static_cast<int>(suffix.size()));
  if (fd < 0) return {};
  ::close(fd);
  return name;
}

// Writers that only write to a named file reach standard output through a temporary file.
template <typename Write>
void write_through_file(const std::string& path, const char* suffix, Write write) {
  if (path != kStandardStream) return write(path);
  const std::string name = temporary_file(suffix);
  if (name.empty()) throw std::runtime_error("no temporary file for standard output");
  try {
    write(name);
    const std::string bytes = read_input(name);
    DeleteFileA(name);
    write_output(path, bytes_of(bytes));
  } catch (...) {
    DeleteFileA(name);
    throw;
  }
}

void save_jpeg(cDIBSection& image, const std::string& path, Long quality) {
  const std::vector<std::uint8_t> bytes = jpeg_from_dib(image, quality);
  if (bytes.empty()) throw std::runtime_error(path + ": the picture cannot be coded as JPEG");
  write_output(path, bytes);
}

void save_bitmap24(cDIBSection& image, const std::string& path) {
  write_through_file(path, ".bmp", [&](const std::string& file) {
    bool written = false;
    errno = 0;
    try {
      written = is_true(image.SavePicture(file));
    } catch (const AutomationError& e) {  // the writer raises when the file cannot be made
      throw std::runtime_error(path + ": " + e.description());
    }
    if (!written) throw std::runtime_error(write_failure(path, errno));
  });
}

ConstByteView bits_of(cDIBSection& image) {
  const ByteView view = image.view();
  return {view.data(), view.stride(), view.rows()};
}

// Bytes in a temporary file for as long as the object lives, for readers that take a name.
class TemporaryCopy {
 public:
  TemporaryCopy(const std::string& bytes, const std::string& shown_as)
      : name_(temporary_file(".pal")) {
    ReplacingFileWriter writer;
    const bool written = !name_.empty() && writer.open(name_) &&
                         writer.write(bytes_of(bytes)) == bytes.size() && writer.commit();
    if (!written) {
      if (!name_.empty()) DeleteFileA(name_);
      throw FileError(shown_as + ": no room for a temporary copy");
    }
  }
  ~TemporaryCopy() { DeleteFileA(name_); }
  TemporaryCopy(const TemporaryCopy&) = delete;
  TemporaryCopy& operator=(const TemporaryCopy&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

// cPalette's JASC reader, through a copy with CR LF line ends when the file has others.
void load_jasc_text(const std::string& path, const std::string& text, cPalette& palette) {
  const std::string normal = jasc_with_crlf(text);
  std::optional<TemporaryCopy> copy;
  if (normal != text || path == kStandardStream) copy.emplace(normal, path);
  try {
    palette.LoadFromJASCFile(copy ? copy->name() : path);
  } catch (const AutomationError& e) {
    throw FileError(path + ": a colour line of the JASC palette is wrong (" + e.description() +
                    ")");
  }
  if (palette.Count() == 0)
    throw FileError(path + ": the JASC palette has no colour lines (one \"R G B\" line a colour)");
}

void set_entries(cPalette& palette, std::span<const PaletteEntry> entries) {
  palette.Clear();
  for (const PaletteEntry& e : entries) palette.Add(e.red, e.green, e.blue);
}

}  // namespace

ImageKind image_kind(const std::string& path, const std::optional<std::string>& format) {
  std::string name = lower(format ? *format : path);
  if (format) name.insert(name.begin(), '.');
  if (ends_with(name, ".jpg") || ends_with(name, ".jpeg")) return ImageKind::Jpeg;
  if (ends_with(name, ".png")) return ImageKind::Png;
  if (ends_with(name, ".bmp") || ends_with(name, ".dib")) return ImageKind::Bitmap;
  if (format) throw UsageError("unknown --format '" + *format + "' (bmp, png, jpg)");
  if (path == kStandardStream) throw UsageError("standard output needs --format bmp, png or jpg");
  throw UsageError("cannot tell the file kind of '" + path +
                   "' from its name: end it in .bmp, .png, .jpg or .jpeg, or give --format");
}

void load_image(const std::string& path, cDIBSection& image) {
  const std::string bytes = read_input(path);
  const std::string name = path == kStandardStream ? "standard input" : path;
  BitmapImage picture;
  try {
    picture = read_image(bytes_of(bytes));
  } catch (const AutomationError& e) {
    throw std::runtime_error(name + ": " + e.description());
  }
  if (!copy_to_dib(picture, image)) throw std::runtime_error(name + ": no memory for the image");
}

void save_image(cDIBSection& image, const std::string& path, ImageKind kind, Long quality,
                std::span<const PaletteEntry> palette) {
  if (kind == ImageKind::Jpeg) return save_jpeg(image, path, quality);
  const ConstByteView bits = bits_of(image);
  std::optional<IndexedImage> indexed;
  if (!palette.empty() && palette.size() <= kMaxPaletteColours)
    indexed = index_by_palette(bits, image.Width(), image.Height(), palette);
  if (!indexed && palette.empty() && kind == ImageKind::Png)
    indexed = index_by_colours(bits, image.Width(), image.Height());
  if (kind == ImageKind::Bitmap) {
    if (!indexed) return save_bitmap24(image, path);
    return write_output(path, encode_paletted_bitmap(*indexed));
  }
  EncodeInput input{bits, image.Width(), image.Height(), indexed ? &*indexed : nullptr};
  write_output(path, encode_png(input));
}

void load_palette(const std::string& path, cPalette& palette, Long offset) {
  const std::string bytes = read_input(path);
  try {
    switch (sniff_palette(bytes_of(bytes), path)) {
      case PaletteFormat::Jasc:
        return load_jasc_text(path, bytes, palette);
      case PaletteFormat::Gimp:
        return set_entries(palette, read_gimp_palette(bytes));
      case PaletteFormat::Act:
        return set_entries(palette, read_act_palette(bytes_of(bytes)));
      case PaletteFormat::Vga:
        return set_entries(palette, read_vga_palette(bytes_of(bytes)));
      case PaletteFormat::RawBlock:
        break;
    }
  } catch (const FileError&) {
    throw;
  } catch (const std::runtime_error& e) {  // what the format readers found wrong
    throw FileError(path + ": " + e.what());
  }
  Long position = offset;
  std::optional<TemporaryCopy> copy;
  if (path == kStandardStream) copy.emplace(bytes, path);
  if (!is_true(palette.Load(copy ? copy->name() : path, position))) {
    throw std::runtime_error(path +
                             ": not a palette file (JASC or GIMP text, a 768-byte colour table "
                             "or a raw palette block)");
  }
}

PaletteKind palette_kind(const std::string& path, bool raw) {
  if (raw) return PaletteKind::RawBlock;
  const std::string name = lower(path);
  if (ends_with(name, ".gpl")) return PaletteKind::Gimp;
  if (ends_with(name, ".act")) return PaletteKind::Act;
  return PaletteKind::Jasc;
}

void save_palette(cPalette& palette, const std::string& path, PaletteKind kind) {
  const std::vector<PaletteEntry>& entries = palette.entries();
  std::vector<std::uint8_t> bytes;
  switch (kind) {
    case PaletteKind::RawBlock: {
      if (path != kStandardStream) return save_raw_palette(palette, path);
      const auto count = static_cast<std::uint32_t>(entries.size());
      bytes = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
               static_cast<std::uint8_t>(count >> 16), static_cast<std::uint8_t>(count >> 24)};
      for (const PaletteEntry& e : entries)
        bytes.insert(bytes.end(), {e.red, e.green, e.blue, e.reserved});
      break;
    }
    case PaletteKind::Act:
      try {
        bytes = act_bytes(entries);
      } catch (const std::runtime_error& e) {
        throw std::runtime_error(path + ": " + e.what());
      }
      break;
    case PaletteKind::Gimp:
    case PaletteKind::Jasc: {
      std::string base = path.substr(path.find_last_of('/') + 1);
      base = base.substr(0, base.find_last_of('.'));
      const std::string text =
          kind == PaletteKind::Gimp ? gimp_text(entries, base) : jasc_text(entries);
      bytes.assign(text.begin(), text.end());
      break;
    }
  }
  write_output(path, bytes);
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
