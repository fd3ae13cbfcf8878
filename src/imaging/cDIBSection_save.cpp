// SavePicture: the buffer as an uncompressed 24-bit bitmap file (14-byte file header, the 40-byte
// information header, then the rows as they lie in memory). The bytes go to a temporary file that
// replaces the target only when all of them are written, so a failure never costs an old file.
#include <array>
#include <bit>
#include <cstring>

#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"

namespace zentrik {

namespace {

constexpr std::uint16_t kBitmapFileType = 19778;  // "BM"
constexpr std::uint32_t kBitsOffset = 54;
constexpr std::size_t kFileHeaderSize = 14;

void put_le(std::uint8_t* at, std::uint32_t value, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::array<std::uint8_t, kFileHeaderSize> file_header(std::uint32_t fileSize) {
  std::array<std::uint8_t, kFileHeaderSize> bytes{};
  put_le(&bytes[0], kBitmapFileType, 2);
  put_le(&bytes[2], fileSize, 4);
  put_le(&bytes[10], kBitsOffset, 4);  // bytes 6 to 9 are reserved and stay 0
  return bytes;
}

}  // namespace

Boolean cDIBSection::SavePicture(const std::string& sFileName) {
  // A buffer that holds no bits has no pixels to write.
  if (bitsPointer_ == nullptr) return vbFalse;

  const std::uint32_t imageSize = header_.biSizeImage;
  const auto fileHeader = file_header(imageSize + kBitsOffset);

  ReplacingFileWriter file;
  if (!file.open(sFileName)) {
    raise_error(errors::kCantPerformOperation, ZENTRIK_MODULE_NAME ".cDIBSection256",
                ApiError(file.error()));
  }

  std::size_t written = file.write(fileHeader);
  bool failed = WriteFailed(file.error() == 0, fileHeader.size(), written);
  if (!failed) {
    // The header's fields are little-endian in the file, as they are in memory here.
    static_assert(std::endian::native == std::endian::little);
    std::array<std::uint8_t, sizeof(BitmapInfoHeader)> info{};
    std::memcpy(info.data(), &header_, info.size());
    written = file.write(info);
    failed = WriteFailed(file.error() == 0, info.size(), written);
  }
  if (!failed) {
    written = file.write({bitsPointer_, imageSize});
    failed = WriteFailed(file.error() == 0, imageSize, written);
  }
  if (failed) {
    file.abandon();
    return vbFalse;
  }
  return to_boolean(file.commit());
}

bool cDIBSection::WriteFailed(bool writeResult, std::size_t expected, std::size_t written) {
  return !writeResult || written != expected;
}

}  // namespace zentrik
