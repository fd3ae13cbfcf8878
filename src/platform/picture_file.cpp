// Picture saving: a picture's bitmap written as a 24-bit bottom-up bitmap file, through a
// temporary file so that an old file survives a failed write.
#include <cstring>
#include <vector>

#include "blit.h"
#include "gdi_table.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"
#include "zentrik/platform/picture.h"

namespace zentrik {
namespace {

constexpr char kSource[] = "Zentrik";
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kBitsOffset = kFileHeaderSize + sizeof(BitmapInfoHeader);

template <typename T>
void put(std::vector<std::uint8_t>& bytes, std::size_t offset, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
  }
}

// The whole file in memory: file header, information header, rows bottom-up with zero padding.
std::vector<std::uint8_t> bitmap_file(GdiTable& table, BitmapObject& bitmap) {
  const Long stride = dib_stride(bitmap.width, 24);
  const std::size_t imageSize = static_cast<std::size_t>(stride) * bitmap.height;
  std::vector<std::uint8_t> file(kBitsOffset + imageSize, 0);
  put<std::uint16_t>(file, 0, 0x4D42);  // "BM"
  put<std::uint32_t>(file, 2, static_cast<std::uint32_t>(file.size()));
  put<std::uint32_t>(file, 10, static_cast<std::uint32_t>(kBitsOffset));
  BitmapInfoHeader header;
  header.biWidth = bitmap.width;
  header.biHeight = bitmap.height;
  header.biBitCount = 24;
  header.biSizeImage = static_cast<std::uint32_t>(imageSize);
  std::memcpy(file.data() + kFileHeaderSize, &header, sizeof(header));

  SurfaceView rows;
  rows.bits = ByteView(file.data() + kBitsOffset, stride, bitmap.height);
  rows.bottomUp = true;
  rows.width = bitmap.width;
  rows.bitsPerPixel = 24;
  copy_block(rows, table.read_view(bitmap), {0, 0, bitmap.width, bitmap.height, 0, 0});
  return file;
}

[[noreturn]] void raise_access_error(Long errorCode) {
  raise_error(errors::kPathFileAccess, kSource, system_message(errorCode));
}

}  // namespace

void SavePicture(const Picture& picture, const std::string& fileName) {
  GdiTable& table = GdiTable::instance();
  BitmapObject* bitmap = table.bitmap(picture.Handle());
  if (bitmap == nullptr) raise_error(errors::kInvalidPropertyValue, kSource);
  const std::vector<std::uint8_t> file = bitmap_file(table, *bitmap);

  ReplacingFileWriter writer;
  if (!writer.open(fileName)) raise_access_error(writer.error());
  if (writer.write(file) != file.size()) {
    const Long error = writer.error();
    writer.abandon();
    raise_access_error(error);
  }
  if (!writer.commit()) raise_access_error(writer.error());
}

}  // namespace zentrik
