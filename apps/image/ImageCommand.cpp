// `zentrik image`: the imaging library for people. Every operation reads a picture file, works on
// a 24-bit buffer and writes a bitmap, PNG or JPEG file (paletted when the result has a palette);
// several inputs go through one call with --output naming the results; long work shows a
// progress bar.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/ProgressBar.h"
#include "image/ImageFiles.h"
#include "image/Quantise.h"
#include "zentrik/colour/NearestMapping.h"
#include "zentrik/colour/cColourReduceDIB.h"
#include "zentrik/colour/cPalette.h"
#include "zentrik/colourdepth/cDIBSectionSave.h"
#include "zentrik/imaging/cDIBSection.h"

namespace zentrik::cli {

const char* const kImageHelp =
    "usage: zentrik image OPERATION IN OUT [OPTIONS]\n"
    "       zentrik image OPERATION IN... --output PATTERN [OPTIONS]\n"
    "\n"
    "Reads bitmap (24, 16, 8, 4, 1 bits; RLE and bit fields), PNG, JPEG, PPM or PGM files and\n"
    "writes OUT by its extension: .bmp, .png or .jpg/.jpeg (--format bmp|png|jpg for others\n"
    "and for '-'). Reduced and quantised pictures are written with their palette (8- or 4-bit\n"
    "bitmaps, paletted PNGs). IN '-' reads standard input, OUT '-' writes standard output.\n"
    "An existing OUT is replaced only once the new file is complete. With --output, every IN\n"
    "is written to PATTERN with {name} replaced by the input's name without its extension and\n"
    "{dir} by its folder.\n"
    "\n"
    "operations:\n"
    "  copy                      write the picture unchanged (converts between formats)\n"
    "  resample                  bilinear resize: --width W and/or --height H (one side keeps\n"
    "                            the aspect ratio)\n"
    "  grey                      grey levels\n"
    "  bw                        black and white with error diffusion\n"
    "  reduce                    map to a palette: --palette FILE [--palette-offset N] or\n"
    "                            --standard NAME (mono, 16, halftone, websafe); --diffuse\n"
    "  quantise                  map to an optimal palette: --colours N (236) --levels L (6),\n"
    "                            --refine R (at most R k-means rounds after the octree by true\n"
    "                            colour distance, each pixel then taking its nearest entry;\n"
    "                            0: the octree's own palette and mapping), --diffuse,\n"
    "                            --save-palette FILE\n"
    "  depth                     convert to --colours 16 or 256 through a paletted bitmap;\n"
    "                            --method 0 (plain, default), 1 (diffused to the standard\n"
    "                            palette) or 2 (rebuilt palette first)\n"
    "options for every operation:\n"
    "  --quality Q               JPEG quality 1..100 (90), for .jpg outputs only\n"
    "  --format F                the kind of OUT: bmp, png or jpg\n";

namespace {

const std::map<std::string, std::set<std::string>> kOperationOptions = {
    {"copy", {}},
    {"resample", {"width", "height"}},
    {"grey", {}},
    {"bw", {}},
    {"reduce", {"palette", "palette-offset", "standard", "diffuse"}},
    {"quantise", {"colours", "levels", "refine", "diffuse", "save-palette"}},
    {"depth", {"colours", "method"}},
};
const std::set<std::string> kCommonOptions = {"quality", "format", "output"};

void check_options(const std::string& op, const CommandLine& cl) {
  const auto found = kOperationOptions.find(op);
  if (found == kOperationOptions.end())
    throw UsageError("unknown operation '" + op + "' (see --help)");
  for (const std::string& name : cl.given()) {
    if (!found->second.count(name) && !kCommonOptions.count(name))
      throw UsageError("--" + name + " does not apply to '" + op + "' (see --help)");
  }
  if (cl.has("palette") && cl.has("standard"))
    throw UsageError("--palette and --standard exclude each other");
  if (cl.has("palette-offset") && !cl.has("palette"))
    throw UsageError("--palette-offset applies to a --palette file only");
}

struct Job {
  std::string in;
  std::string out;
};

std::vector<Job> jobs_of(const CommandLine& cl) {
  const std::vector<std::string>& words = cl.positional();
  std::vector<Job> jobs;
  if (auto pattern = cl.value("output")) {
    if (words.size() < 2) throw UsageError("missing input file (see --help)");
    if (words.size() > 2 && pattern->find("{name}") == std::string::npos)
      throw UsageError(
          "--output needs {name} for several inputs, or they would overwrite each other");
    for (std::size_t i = 1; i < words.size(); ++i) {
      const std::filesystem::path in(words[i]);
      std::string out = *pattern;
      const auto replace = [&out](const std::string& key, const std::string& value) {
        for (std::size_t at; (at = out.find(key)) != std::string::npos;)
          out.replace(at, key.size(), value);
      };
      replace("{name}", words[i] == kStandardStream ? "stdin" : in.stem().string());
      replace("{dir}", in.has_parent_path() ? in.parent_path().string() : ".");
      jobs.push_back({words[i], out});
    }
    return jobs;
  }
  cl.word(1, "input file");
  cl.word(2, "output file");
  cl.at_most(3);
  jobs.push_back({words[1], words[2]});
  return jobs;
}

// The size of a resample: each side given, or kept in proportion to the one given.
std::pair<Long, Long> resample_size(const CommandLine& cl, Long width, Long height) {
  constexpr long long kMostSide = 16384;
  if (!cl.has("width") && !cl.has("height"))
    throw UsageError("resample needs --width, --height or both");
  const auto proportional = [](long long given, Long from, Long to) {
    const double exact = static_cast<double>(given) * to / from;
    return static_cast<Long>(std::clamp<double>(round_half_even(exact), 1, kMostSide));
  };
  const long long w = cl.number("width", 0, 1, kMostSide);
  const long long h = cl.number("height", 0, 1, kMostSide);
  if (!cl.has("height")) return {static_cast<Long>(w), proportional(w, width, height)};
  if (!cl.has("width")) return {proportional(h, height, width), static_cast<Long>(h)};
  return {static_cast<Long>(w), static_cast<Long>(h)};
}

class ImageJob {
 public:
  ImageJob(const std::string& op, const CommandLine& cl) : op_(op), cl_(cl) {}

  void run(const Job& job) {
    const ImageKind kind = image_kind(job.out, cl_.value("format"));
    if (cl_.has("quality") && kind != ImageKind::Jpeg)
      throw UsageError("--quality applies to JPEG outputs only");
    auto image = std::make_unique<cDIBSection>();
    load_image(job.in, *image);
    cDIBSection* result = image.get();
    std::shared_ptr<cDIBSection> resampled;
    std::vector<PaletteEntry> palette;
    if (op_ == "resample") {
      const auto [w, h] = resample_size(cl_, image->Width(), image->Height());
      resampled = image->Resample(h, w);
      if (!resampled) throw std::runtime_error("the resized image could not be made");
      result = resampled.get();
    } else if (op_ == "grey" || op_ == "bw") {
      grey_or_bw(*image);
    } else if (op_ == "reduce" || op_ == "quantise") {
      palette = reduce(*image);
    } else if (op_ == "depth") {
      palette = depth(*image);
    }
    save_image(*result, job.out, kind, static_cast<Long>(cl_.number("quality", 90, 1, 100)),
               palette);
    std::fprintf(job.out == kStandardStream ? stderr : stdout, "%s: %d x %d\n", job.out.c_str(),
                 result->Width(), result->Height());
  }

 private:
  void grey_or_bw(cDIBSection& image) {
    cColourReduceDIB reducer;
    ProgressBar bar(op_ == "grey" ? "grey" : "black/white", tty_);
    reducer.SetEventSink(&bar);
    if (op_ == "grey") return reducer.GrayScale(image);
    cDIBSection target;
    if (!is_true(target.Create(image.Width(), image.Height())))
      throw std::runtime_error("out of memory for the target image");
    reducer.BlackAndWhite(image, target);
  }

  std::vector<PaletteEntry> reduce(cDIBSection& image) {
    cPalette palette;
    if (op_ == "reduce") {
      if (auto file = cl_.value("palette")) {
        load_palette(*file, palette,
                     static_cast<Long>(cl_.number("palette-offset", 0, 0, 1 << 30)));
      } else {
        make_standard_palette(cl_.value_or("standard", "16"), palette);
      }
    } else {
      QuantiseRequest request;
      request.colours = static_cast<Long>(cl_.number("colours", 236, 1, 4096));
      request.levels = static_cast<Byte>(cl_.number("levels", 6, 1, 8));
      request.refine_rounds = static_cast<int>(cl_.number("refine", 0, 0, 100));
      request.show_progress = tty_;
      quantise_palette(image, request, palette);
      if (auto file = cl_.value("save-palette"))
        save_palette(palette, *file, palette_kind(*file, false));
    }
    if (op_ == "quantise" && cl_.number("refine", 0, 0, 100) > 0) {
      // The refined palette is made for squared distances: each pixel takes its nearest entry.
      map_to_nearest(image.view(), image.Width(), image.Height(), palette.entries(),
                     cl_.has("diffuse"));
      return palette.entries();
    }
    cDIBSection target;
    if (!is_true(target.Create(image.Width(), image.Height())))
      throw std::runtime_error("out of memory for the target image");
    cColourReduceDIB reducer;
    ProgressBar mapping("mapping", tty_);
    reducer.SetEventSink(&mapping);
    reducer.ApplyPalette(image, target, palette, to_boolean(cl_.has("diffuse")));
    return palette.entries();
  }

  std::vector<PaletteEntry> depth(cDIBSection& image) {
    const long long colours = cl_.number("colours", 256, 16, 256);
    if (colours != 16 && colours != 256) throw UsageError("--colours must be 16 or 256");
    cDIBSectionSave writer;
    writer.Save("", image, nullptr, colours == 16 ? 1 : 2,
                static_cast<Long>(cl_.number("method", 0, 0, 2)));
    cPalette standard;  // the colours the conversion leaves, written as the file's palette
    if (colours == 16) {
      standard.Create16Colour();
    } else {
      standard.CreateHalfTone();
    }
    return standard.entries();
  }

  std::string op_;
  const CommandLine& cl_;
  bool tty_ = stderr_is_terminal();
};

}  // namespace

int run_image(const std::vector<std::string>& args) {
  CommandLine cl(args, {"diffuse"},
                 {"width", "height", "palette", "standard", "colours", "levels", "save-palette",
                  "method", "quality", "palette-offset", "refine", "format", "output"});
  const std::string op = cl.word(0, "operation");
  check_options(op, cl);
  const std::vector<Job> jobs = jobs_of(cl);
  if (std::count_if(jobs.begin(), jobs.end(),
                    [](const Job& j) { return j.in == kStandardStream; }) > 1)
    throw UsageError("standard input can be read once only");
  ImageJob worker(op, cl);
  if (jobs.size() == 1) {
    worker.run(jobs[0]);
    return kExitOk;
  }
  int status = kExitOk;  // one bad input does not stop the others
  for (const Job& job : jobs) {
    try {
      worker.run(job);
    } catch (const UsageError&) {
      throw;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "zentrik image: %s\n", e.what());
      status = kExitFailure;
    }
  }
  return status;
}

}  // namespace zentrik::cli
