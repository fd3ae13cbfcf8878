// Fuzz target: any bytes as a palette file of another program. Each reader either gives colours
// that its own writer writes back identically or says what is wrong.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <stdexcept>
#include <string_view>

#include "zentrik/imagefiles/PaletteFormats.h"

namespace {

template <typename Read, typename Write>
void round_trip(Read read, Write write) {
  try {
    const auto entries = read();
    if (entries.empty() || entries.size() > 65536) std::abort();
    write(entries);
  } catch (const std::runtime_error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zentrik;
  const std::span<const std::uint8_t> bytes(data, size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)sniff_palette(bytes, "x.act");
  const std::string crlf = jasc_with_crlf(text);
  if (crlf.size() > 2 * size) std::abort();
  round_trip([&] { return read_gimp_palette(text); },
             [](const auto& entries) {
               if (read_gimp_palette(gimp_text(entries, "fuzz")) != entries) std::abort();
             });
  round_trip([&] { return read_act_palette(bytes); },
             [](const auto& entries) {
               const auto written = act_bytes(entries);
               if (read_act_palette(written) != entries) std::abort();
             });
  round_trip([&] { return read_vga_palette(bytes); }, [](const auto&) {});
  return 0;
}
