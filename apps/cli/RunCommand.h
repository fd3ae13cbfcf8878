// Running one subcommand with its --help and the exit statuses and messages every command
// shares: usage errors exit 2, failures 1, each message prefixed "zentrik COMMAND: "; and the
// program-wide switches both programs take (--verbose, the write-fault switch of the tests).
#pragma once

#include <string>
#include <vector>

#include "cli/Command.h"

namespace zentrik::cli {

// `verbose` adds error numbers and the component to failures of the imaging classes.
int run_command(const Command& command, const std::vector<std::string>& words, bool verbose);

// Takes a program-wide flag out of the words; true when it was there.
bool take_flag(std::vector<std::string>& words, const std::string& flag);

// For tests of full disks: ZENTRIK_WRITE_FAULT_AFTER=N makes every file write fail with "no
// space left" once N more bytes have been written.
void apply_write_fault();

}  // namespace zentrik::cli
