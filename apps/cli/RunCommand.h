// Running one subcommand with its --help and the exit statuses and messages every command
// shares: usage errors exit 2, failures 1, each message prefixed "zentrik COMMAND: ".
#pragma once

#include <string>
#include <vector>

#include "cli/Command.h"

namespace zentrik::cli {

int run_command(const Command& command, const std::vector<std::string>& words);

}  // namespace zentrik::cli
