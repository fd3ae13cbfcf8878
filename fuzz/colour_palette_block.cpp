// Fuzz target: the raw palette block reader. The first four bytes choose the offset, the rest is
// the file. Whatever the bytes, the reader returns with a bounded palette and a consistent
// position.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "colour_fuzz_file.h"
#include "zentrik/colour/cPalette.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const zentrik::fuzzing::ScratchFile file("block");
  std::int32_t offset = 0;
  if (size >= 4) {
    std::memcpy(&offset, data, 4);
    offset %= 4096;  // keep offsets near the data, negative ones included
    data += 4;
    size -= 4;
  }
  const std::string& path = file.Write(data, size);
  zentrik::cPalette palette;
  palette.CreateMono();
  zentrik::Long position = offset;
  const zentrik::Boolean loaded = palette.Load(path, position);
  const zentrik::Long start = offset > 0 ? offset : 0;
  if (zentrik::is_true(loaded)) {
    if (palette.Count() < 1 || palette.Count() > 4097) std::abort();
    if (position != start + 4 + 4 * palette.Count()) std::abort();
    if (static_cast<std::size_t>(position) > size) std::abort();
    // What was read is written back byte for byte.
    if (!zentrik::is_true(palette.Save(file.Output(), 0))) std::abort();
    zentrik::cPalette copy;
    zentrik::Long again = 0;
    if (!zentrik::is_true(copy.Load(file.Output(), again)) || copy.entries() != palette.entries())
      std::abort();
  } else {
    if (position != start) std::abort();
    if (palette.Count() > 4097) std::abort();
  }
  return 0;
}
