// zentrik: watch a camera or a video for motion and colours, list the capture drivers, and use
// the imaging library on files. `zentrik --help` and `zentrik COMMAND --help` explain each part.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/RunCommand.h"
#include "zentrik/platform/application.h"
#include "zentrik/sources/MediaDecoder.h"

namespace zentrik::cli {
namespace {

const Command kCommands[] = {
    {"watch", "watch a camera, a video or the virtual camera and report events", kWatchHelp,
     run_watch},
    {"drivers", "list the capture drivers and the one the control would choose", kDriversHelp,
     run_drivers},
    {"image", "resample, grey, reduce, quantise or convert a picture file", kImageHelp, run_image},
    {"palette", "show, convert and make palette files", kPaletteHelp, run_palette},
    {"serve", "serve a web page that shows and controls the cameras", kServeHelp, run_serve},
};

void print_usage(std::FILE* out) {
  std::fprintf(out,
               "usage: zentrik COMMAND [ARGS...]\n\n"
               "Zentrik watches a camera with the orvex control: motion and colour zones raise\n"
               "events, snapshots are written as JPEG or bitmap files.\n\ncommands:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %-9s %s\n", c.name, c.summary);
  std::fprintf(out,
               "\n`zentrik COMMAND --help` describes a command. With no command, "
               "`zentrik` runs `watch`.\n"
               "`zentrik --version` says the version; --verbose adds error numbers and the\n"
               "component to failures, and the video library's own messages.\n");
}

}  // namespace
}  // namespace zentrik::cli

int main(int argc, char** argv) {
  using namespace zentrik::cli;
  std::vector<std::string> words(argv + 1, argv + argc);
  apply_write_fault();
  const bool verbose = take_flag(words, "--verbose");
  if (verbose) zentrik::set_media_library_logging(true);  // FFmpeg's own messages too
  if (!words.empty() && words[0] == "--version") {
    std::printf("zentrik %s\n", zentrik::Application::instance().version_text().c_str());
    return kExitOk;
  }
  std::string name = "watch";
  if (!words.empty() && words[0].rfind("-", 0) != 0) {
    name = words[0];
    words.erase(words.begin());
  } else if (!words.empty() && (words[0] == "--help" || words[0] == "-h")) {
    print_usage(stdout);
    return kExitOk;
  }
  for (const Command& command : kCommands) {
    if (name == command.name) return run_command(command, words, verbose);
  }
  std::fprintf(stderr, "zentrik: unknown command '%s'\n\n", name.c_str());
  print_usage(stderr);
  return kExitUsage;
}
