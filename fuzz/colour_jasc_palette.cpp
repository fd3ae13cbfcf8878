// Fuzz target: the JASC text palette reader. Any bytes either load (and then survive a write and
// a second read unchanged) or raise an automation error that leaves the palette empty.
#include <cstdint>
#include <cstdlib>

#include "colour_fuzz_file.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/platform/automation_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const zentrik::fuzzing::ScratchFile file("jasc");
  const std::string& path = file.Write(data, size);
  zentrik::cPalette palette;
  palette.CreateMono();
  try {
    palette.LoadFromJASCFile(path);
  } catch (const zentrik::AutomationError& error) {
    if (palette.Count() != 0) std::abort();
    if (error.number() != 13 && error.number() != 6) std::abort();
    return 0;
  }
  // Every line of three fields gives an entry, so there can be no more entries than bytes.
  if (static_cast<std::size_t>(palette.Count()) > size / 5 + 1) std::abort();
  palette.SaveToJASCFile(file.Output());
  zentrik::cPalette copy;
  copy.LoadFromJASCFile(file.Output());
  if (copy.entries() != palette.entries()) std::abort();
  return 0;
}
