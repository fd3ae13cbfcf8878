// `zentrik palette`: show, convert and make palette files (JASC text or raw palette blocks).
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
    "Palette files are JASC text palettes or raw palette blocks (a 4-byte count, then red,\n"
    "green, blue and a reserved byte per entry), which may sit at byte --offset of a file.\n"
    "Reading tells the two apart by the JASC header; writing makes JASC text unless --raw.\n"
    "NAME is one of the standard palettes: mono, 16, halftone, websafe.\n";

int run_palette(const std::vector<std::string>& args) {
  CommandLine cl(args, {"raw"}, {"offset"});
  const std::string& op = cl.word(0, "operation (show, convert, make)");
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
  if (op == "convert" || op == "make") {
    cl.at_most(3);
    if (op == "convert") {
      load_palette(cl.word(1, "input palette file"), palette, offset);
    } else {
      make_standard_palette(cl.word(1, "palette name"), palette);
    }
    const std::string& out = cl.word(2, "output file");
    save_palette(palette, out, cl.has("raw"));
    std::printf("%s: %d entries\n", out.c_str(), palette.Count());
    return kExitOk;
  }
  throw UsageError("unknown operation '" + op + "' (show, convert, make)");
}

}  // namespace zentrik::cli
