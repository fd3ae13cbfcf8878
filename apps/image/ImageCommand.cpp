// `zentrik image`: the imaging library for people. Every operation reads a bitmap file, works on
// a 24-bit buffer and writes a bitmap or JPEG file; long work shows a progress bar.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/ProgressBar.h"
#include "image/ImageFiles.h"
#include "zentrik/colour/cColourReduceDIB.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/colourdepth/cDIBSectionSave.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik::cli {

const char* const kImageHelp =
    "usage: zentrik image OPERATION IN.bmp OUT [OPTIONS]\n"
    "\n"
    "Reads a 24-, 8- or 4-bit bitmap file and writes OUT as JPEG (.jpg, .jpeg) or as a 24-bit\n"
    "bitmap file (any other name). An existing OUT is replaced only once the new file is\n"
    "complete.\n"
    "\n"
    "operations:\n"
    "  copy                      write the image unchanged (converts bitmap to JPEG)\n"
    "  resample                  bilinear resize: --width W --height H\n"
    "  grey                      grey levels\n"
    "  bw                        black and white with error diffusion\n"
    "  reduce                    map to a palette: --palette FILE or --standard NAME\n"
    "                            (mono, 16, halftone, websafe); --diffuse for error diffusion\n"
    "  quantise                  map to an optimal palette: --colours N (236) --levels L (6),\n"
    "                            --diffuse, --save-palette FILE (JASC text)\n"
    "  depth                     convert to --colours 16 or 256 through a paletted bitmap;\n"
    "                            --method 0 (plain, default), 1 (diffused to the standard\n"
    "                            palette) or 2 (rebuilt palette first)\n"
    "options:\n"
    "  --quality Q               JPEG quality 1..100 (90)\n"
    "  --palette-offset N        byte offset of a raw palette block in --palette (0)\n";

namespace {

int image_operation(const std::string& op, const CommandLine& cl) {
  static const char* const kOperations[] = {"copy",   "resample", "grey", "bw",
                                            "reduce", "quantise", "depth"};
  if (std::find(std::begin(kOperations), std::end(kOperations), op) == std::end(kOperations)) {
    throw UsageError("unknown operation '" + op + "' (see --help)");
  }
  const std::string in = cl.word(1, "input bitmap file");
  const std::string out = cl.word(2, "output file");
  cl.at_most(3);
  const Long quality = static_cast<Long>(cl.number("quality", 90, 1, 100));
  const bool tty = stderr_is_terminal();

  auto image = std::make_unique<cDIBSection>();
  load_image(in, *image);
  cDIBSection* result = image.get();
  std::shared_ptr<cDIBSection> resampled;

  if (op == "copy") {
  } else if (op == "resample") {
    const Long w = static_cast<Long>(cl.number("width", image->Width(), 1, 16384));
    const Long h = static_cast<Long>(cl.number("height", image->Height(), 1, 16384));
    resampled = image->Resample(h, w);
    if (!resampled) throw std::runtime_error("the resized image could not be made");
    result = resampled.get();
  } else if (op == "grey" || op == "bw") {
    cColourReduceDIB reducer;
    ProgressBar bar(op == "grey" ? "grey" : "black/white", tty);
    reducer.SetEventSink(&bar);
    if (op == "grey") {
      reducer.GrayScale(*image);
    } else {
      cDIBSection target;
      if (!is_true(target.Create(image->Width(), image->Height()))) {
        throw std::runtime_error("out of memory for the target image");
      }
      reducer.BlackAndWhite(*image, target);
    }
  } else if (op == "reduce" || op == "quantise") {
    cPalette palette;
    ProgressBar bar(op, tty);
    if (op == "reduce") {
      if (auto file = cl.value("palette")) {
        load_palette(*file, palette, static_cast<Long>(cl.number("palette-offset", 0, 0, 1 << 30)));
      } else {
        make_standard_palette(cl.value_or("standard", "16"), palette);
      }
    } else {
      palette.SetEventSink(&bar);
      palette.CreateOptimal(*image, static_cast<Long>(cl.number("colours", 236, 1, 4096)),
                            static_cast<Byte>(cl.number("levels", 6, 1, 8)));
      palette.SetEventSink(nullptr);
      if (auto file = cl.value("save-palette")) save_palette(palette, *file, false);
    }
    cDIBSection target;
    if (!is_true(target.Create(image->Width(), image->Height()))) {
      throw std::runtime_error("out of memory for the target image");
    }
    cColourReduceDIB reducer;
    ProgressBar mapping("mapping", tty);
    reducer.SetEventSink(&mapping);
    reducer.ApplyPalette(*image, target, palette, to_boolean(cl.has("diffuse")));
  } else if (op == "depth") {
    const long long colours = cl.number("colours", 256, 16, 256);
    if (colours != 16 && colours != 256) throw UsageError("--colours must be 16 or 256");
    cDIBSectionSave writer;
    writer.Save("", *image, nullptr, colours == 16 ? 1 : 2,
                static_cast<Long>(cl.number("method", 0, 0, 2)));
  } else {
    throw UsageError("unknown operation '" + op + "' (see --help)");
  }
  save_image(*result, out, quality);
  std::printf("%s: %d x %d\n", out.c_str(), result->Width(), result->Height());
  return kExitOk;
}

}  // namespace

int run_image(const std::vector<std::string>& args) {
  CommandLine cl(args, {"diffuse"},
                 {"width", "height", "palette", "standard", "colours", "levels", "save-palette",
                  "method", "quality", "palette-offset"});
  return image_operation(cl.word(0, "operation"), cl);
}

}  // namespace zentrik::cli
