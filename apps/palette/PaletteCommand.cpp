// `zentrik palette`: show, convert and make palette files (JASC or GIMP text, raw palette
// blocks, 768-byte colour tables and 6-bit VGA tables).
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "image/ImageFiles.h"
#include "zentrik/colour/cPalette.h"

namespace zentrik::cli {

const char* const kPaletteHelp =
    "usage: zentrik palette show FILE [--offset N]\n"
    "       zentrik palette convert IN OUT [--offset N] [--raw]\n"
    "       zentrik palette make NAME OUT [--raw]\n"
    "\n"
    "Reads JASC text palettes (any line ends), GIMP palettes (.gpl), 768-byte RGB tables\n"
    "(.act, with or without the 4-byte count trailer), 6-bit VGA tables (768 bytes, values\n"
    "0..63) and raw palette blocks (a 4-byte count, then red, green, blue and a reserved byte\n"
    "per entry), which may sit at byte --offset of a file; the kind is told from the contents.\n"
    "Writes JASC text (JASC-PAL header, CR LF line ends), a GIMP palette for OUT ending .gpl, a\n"
    "768-byte table for .act, or a raw block with --raw. '-' is standard input or output.\n"
    "NAME is one of the standard palettes: mono, 16, halftone, websafe.\n";

int run_palette(const std::vector<std::string>& args) {
  CommandLine cl(args, {"raw"}, {"offset"});
  const std::string& op = cl.word(0, "operation (show, convert, make)");
  if (op != "show" && op != "convert" && op != "make")
    throw UsageError("unknown operation '" + op + "' (show, convert, make)");
  if (op == "make" && cl.has("offset")) throw UsageError("--offset does not apply to 'make'");
  if (op == "show" && cl.has("raw")) throw UsageError("--raw does not apply to 'show'");
  const Long offset = static_cast<Long>(cl.number("offset", 0, 0, 1 << 30));
  cPalette palette;
  if (op == "show") {
    cl.at_most(2);
    load_palette(cl.word(1, "palette file"), palette, offset);
    std::printf("%d entries\n", palette.Count());
    for (Long i = 1; i <= palette.Count(); ++i) {
      std::printf("%4d  %3d %3d %3d\n", i, palette.Red(i), palette.Green(i), palette.Blue(i));
    }
    return kExitOk;
  }
  cl.at_most(3);
  if (op == "convert") {
    load_palette(cl.word(1, "input palette file"), palette, offset);
  } else {
    make_standard_palette(cl.word(1, "palette name"), palette);
  }
  const std::string& out = cl.word(2, "output file");
  save_palette(palette, out, palette_kind(out, cl.has("raw")));
  std::fprintf(out == kStandardStream ? stderr : stdout, "%s: %d entries\n", out.c_str(),
               palette.Count());
  return kExitOk;
}

}  // namespace zentrik::cli
