#include "cli/AtomicFile.h"

#include <cerrno>
#include <cstring>

#include "zentrik/platform/files.h"

namespace zentrik::cli {

int write_file_atomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  ReplacingFileWriter writer;
  if (writer.open(path) && writer.write(bytes) == bytes.size() && writer.commit()) return 0;
  return writer.error() != 0 ? writer.error() : EIO;
}

std::string write_failure(const std::string& path, int error) {
  return path +
         ": could not be written: " + (error != 0 ? std::strerror(error) : "the write failed");
}

}  // namespace zentrik::cli
