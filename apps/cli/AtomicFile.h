// Writing a whole file so that a failure never leaves a partial one: the bytes go to a
// temporary file beside the target, which replaces it only once complete and flushed.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zentrik::cli {

// 0 when written, else the system's error number (ENOSPC, EROFS, EACCES, ...).
int write_file_atomically(const std::string& path, std::span<const std::uint8_t> bytes);

// "PATH: could not be written: REASON" for an error number of the system (0: no reason known).
std::string write_failure(const std::string& path, int error);

}  // namespace zentrik::cli
