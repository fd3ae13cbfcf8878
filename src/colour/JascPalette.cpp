// cPalette's JASC text palette: "JASC", "0100", the count, then one "red green blue" line per
// entry, lines separated by CR LF; read back from every line of exactly three fields.
#include <cerrno>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "module_source.h"
#include "split_text.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

constexpr Long kDiskFull = 61;

// The automation errors for a failed read or write with the system's error code.
[[noreturn]] void RaiseReadError(Long code) {
  if (code == ENOENT) raise_error(errors::kFileNotFound, kPaletteSource);
  raise_error(errors::kPathFileAccess, kPaletteSource);
}

[[noreturn]] void RaiseWriteError(Long code) {
  if (code == ENOSPC) raise_error(kDiskFull, kPaletteSource, "Disk full");
  raise_error(errors::kPathFileAccess, kPaletteSource);
}

std::string JascText(const std::vector<PaletteEntry>& entries) {
  std::string text = "JASC\r\n0100\r\n" + std::to_string(entries.size());
  text.reserve(text.size() + entries.size() * 13);
  for (const PaletteEntry& entry : entries) {
    text += "\r\n";
    text += std::to_string(entry.red);
    text += ' ';
    text += std::to_string(entry.green);
    text += ' ';
    text += std::to_string(entry.blue);
  }
  return text;
}

}  // namespace

Boolean cPalette::SaveToJASCFile(const std::string& sFileName) {
  // The new text replaces the file only once it is completely written, so a failed save keeps
  // the previous file instead of leaving none or a partial one.
  const std::string text = JascText(entries_);
  ReplacingFileWriter writer;
  if (!writer.open(sFileName)) RaiseWriteError(writer.error());
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                            text.size());
  if (writer.write(bytes) != bytes.size() || !writer.commit()) {
    const Long code = writer.error();
    writer.abandon();
    RaiseWriteError(code);
  }
  return vbTrue;
}

Boolean cPalette::LoadFromJASCFile(const std::string& sFileName) {
  Clear();
  Long code = 0;
  const std::optional<std::string> text = read_file(sFileName, &code);
  if (!text) RaiseReadError(code);

  std::vector<std::string_view> lines;
  Long lineCount = 0;
  SplitText(*text, "\r\n", lines, lineCount);
  std::vector<std::string_view> fields;
  Long fieldCount = 0;
  try {
    for (const std::string_view line : lines) {
      SplitText(line, " ", fields, fieldCount);
      if (fieldCount != 3) continue;
      const Byte red = Variant(std::string(fields[0])).to_byte();
      const Byte green = Variant(std::string(fields[1])).to_byte();
      const Byte blue = Variant(std::string(fields[2])).to_byte();
      Add(red, green, blue);
    }
  } catch (const AutomationError& error) {
    Clear();
    raise_error(error.number(), kPaletteSource, error.description());
  }
  return vbTrue;
}

}  // namespace zentrik
