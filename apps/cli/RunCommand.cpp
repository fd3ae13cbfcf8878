#include "cli/RunCommand.h"

#include <cstdio>
#include <exception>

#include "cli/CommandLine.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik::cli {

int run_command(const Command& command, const std::vector<std::string>& words) {
  for (const auto& a : words) {
    if (a == "--help" || a == "-h") {
      std::fputs(command.help, stdout);
      return kExitOk;
    }
  }
  try {
    return command.run(words);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "zentrik %s: %s\n", command.name, e.what());
    return kExitUsage;
  } catch (const zentrik::AutomationError& e) {
    std::fprintf(stderr, "zentrik %s: error %d (%s): %s\n", command.name, e.number(),
                 e.source().c_str(), e.description().c_str());
    return kExitFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zentrik %s: %s\n", command.name, e.what());
    return kExitFailure;
  }
}

}  // namespace zentrik::cli
