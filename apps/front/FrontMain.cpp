// zentrik: the program people call. The imaging commands (image, palette) run here, without the
// video and device libraries; every other command, and the command list, is handed to the
// zentrik-video program beside this one, which holds them all.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/RunCommand.h"

namespace {

using zentrik::cli::Command;

const Command kImagingCommands[] = {
    {"image", "", zentrik::cli::kImageHelp, zentrik::cli::run_image},
    {"palette", "", zentrik::cli::kPaletteHelp, zentrik::cli::run_palette},
};

constexpr const char* kVideoProgram = "zentrik-video";

// The video program in this program's own folder.
std::string video_program() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return kVideoProgram;
  std::string path(self, static_cast<std::size_t>(length));
  return path.substr(0, path.find_last_of('/') + 1) + kVideoProgram;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  const bool verbose = zentrik::cli::take_flag(words, "--verbose");
  if (!words.empty()) {
    for (const Command& command : kImagingCommands) {
      if (words[0] != command.name) continue;
      zentrik::cli::apply_write_fault();
      words.erase(words.begin());
      return zentrik::cli::run_command(command, words, verbose);
    }
  }
  const std::string program = video_program();
  execv(program.c_str(), argv);
  std::fprintf(stderr, "zentrik: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
  return zentrik::cli::kExitFailure;
}
