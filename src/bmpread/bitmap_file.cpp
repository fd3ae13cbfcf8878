// Reading a bitmap file from disk: its length is checked before anything is allocated.
#include <cerrno>
#include <vector>

#include "zentrik/bmpread/BitmapReader.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

// The largest file a bitmap within the size limit can need: headers, a full colour table and
// 32-bit rows.
constexpr std::int64_t kLargestBitmapFile =
    14 + 124 + 4 * 256 + std::int64_t{kMaxBitmapSide} * kMaxBitmapSide * 4;

std::string reason_text(Long code) {
  std::string text = system_message(code);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.empty() ? "error " + std::to_string(code) : text;
}

}  // namespace

BitmapImage read_bitmap_file(const std::string& path) {
  File file = File::open_read(path);
  if (!file.is_open())
    raise_error(file.error() == ENOENT ? errors::kFileNotFound : errors::kPathFileAccess,
                ZENTRIK_MODULE_NAME, "cannot read '" + path + "': " + reason_text(file.error()));
  const std::int64_t length = file.length();
  if (length < 0)
    raise_error(errors::kPathFileAccess, ZENTRIK_MODULE_NAME,
                "cannot read '" + path + "': " + reason_text(file.error()));
  if (length > kLargestBitmapFile)
    raise_error(kInvalidPicture, ZENTRIK_MODULE_NAME, path + ": too large for a bitmap file");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  if (file.read(bytes) != bytes.size())
    raise_error(errors::kPathFileAccess, ZENTRIK_MODULE_NAME,
                "cannot read '" + path + "': " + reason_text(file.error()));
  try {
    return read_bitmap(bytes);
  } catch (const AutomationError& error) {
    raise_error(error.number(), error.source(), path + ": " + error.description());
  }
}

}  // namespace zentrik
