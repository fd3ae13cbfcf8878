#include "cli/RunCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "cli/CommandLine.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/files.h"

namespace zentrik::cli {
namespace {

bool wants_help(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return a == "--help" || a == "-h"; });
}

// A failure as the user reads it: its text without the line ends system messages carry; the
// error number and the component only with --verbose.
std::string failure_text(const zentrik::AutomationError& e, bool verbose) {
  std::string text = e.description();
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  if (!verbose) return text;
  return "error " + std::to_string(e.number()) + " (" + e.source() + "): " + text;
}

}  // namespace

int run_command(const Command& command, const std::vector<std::string>& words, bool verbose) {
  if (wants_help(words)) {
    std::fputs(command.help, stdout);
    return kExitOk;
  }
  try {
    return command.run(words);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "zentrik %s: %s\n", command.name, e.what());
    return kExitUsage;
  } catch (const zentrik::AutomationError& e) {
    std::fprintf(stderr, "zentrik %s: %s\n", command.name, failure_text(e, verbose).c_str());
    return kExitFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zentrik %s: %s\n", command.name, e.what());
    return kExitFailure;
  }
}

bool take_flag(std::vector<std::string>& words, const std::string& flag) {
  const auto before = words.size();
  std::erase(words, flag);
  return words.size() != before;
}

void apply_write_fault() {
  if (const char* bytes = std::getenv("ZENTRIK_WRITE_FAULT_AFTER"))
    zentrik::set_write_fault(std::strtoull(bytes, nullptr, 10));
}

}  // namespace zentrik::cli
