// One subcommand of the `zentrik` program: its name, a line of summary, its help text and the
// function that runs it. Runners return the exit status; a UsageError exits with status 2.
#pragma once

#include <string>
#include <vector>

namespace zentrik::cli {

struct Command {
  const char* name;
  const char* summary;
  const char* help;
  int (*run)(const std::vector<std::string>& args);
};

// Exit statuses shared by the subcommands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the work failed: a file could not be read or written
inline constexpr int kExitUsage = 2;    // the command line or a script is wrong

int run_watch(const std::vector<std::string>& args);
int run_drivers(const std::vector<std::string>& args);
int run_image(const std::vector<std::string>& args);
int run_palette(const std::vector<std::string>& args);
int run_serve(const std::vector<std::string>& args);

extern const char* const kWatchHelp;
extern const char* const kDriversHelp;
extern const char* const kImageHelp;
extern const char* const kPaletteHelp;
extern const char* const kServeHelp;

}  // namespace zentrik::cli
