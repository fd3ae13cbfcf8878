// cPalette's raw palette block: a little-endian 32-bit count and the entry records byte for
// byte, at any offset of a file.
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>

#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

constexpr Long kMaxBlockEntries = 4097;

std::array<std::uint8_t, 4> LittleEndian(Long value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

Long FromLittleEndian(const std::array<std::uint8_t, 4>& bytes) {
  const std::uint32_t bits = bytes[0] | (std::uint32_t{bytes[1]} << 8) |
                             (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
  return static_cast<Long>(bits);
}

std::span<std::uint8_t> EntryBytes(std::vector<PaletteEntry>& entries) {
  return {reinterpret_cast<std::uint8_t*>(entries.data()), entries.size() * sizeof(PaletteEntry)};
}

}  // namespace

Boolean cPalette::Load(const std::string& sFileName, Long& lPosition) {
  File file = File::open_read(sFileName);
  if (!file.is_open()) return vbFalse;
  if (lPosition > 0) {
    if (!file.seek(lPosition)) return vbFalse;
  } else {
    lPosition = 0;
  }
  std::array<std::uint8_t, 4> countBytes{};
  if (file.read(countBytes) != countBytes.size()) return vbFalse;
  const Long count = FromLittleEndian(countBytes);
  if (count < 1 || count > kMaxBlockEntries) return vbFalse;

  ResetTo(count);
  const std::span<std::uint8_t> block = EntryBytes(entries_);
  if (file.read(block) != block.size()) return vbFalse;  // entries read so far, then zeros
  // The position after the block must still be a Long; a block that ends beyond it is refused.
  const std::int64_t after = std::int64_t{lPosition} + 4 + std::int64_t{4} * count;
  if (after > std::numeric_limits<Long>::max()) return vbFalse;
  lPosition = static_cast<Long>(after);
  return vbTrue;
}

Boolean cPalette::Save(const std::string& sFileName, Long lPosition) {
  File file = File::create(sFileName);
  if (!file.is_open()) return vbFalse;
  if (lPosition > 0 && !file.seek(lPosition)) return vbFalse;
  const std::array<std::uint8_t, 4> countBytes = LittleEndian(Count());
  if (file.write(countBytes) != countBytes.size()) return vbFalse;
  const std::span<const std::uint8_t> block = EntryBytes(entries_);
  return to_boolean(file.write(block) == block.size());
}

}  // namespace zentrik
