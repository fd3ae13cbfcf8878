#include "palette/RawPaletteSave.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "cli/AtomicFile.h"

namespace zentrik::cli {
namespace {

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void fail(const std::string& path, int error) {
  throw std::runtime_error(write_failure(path, error));
}

}  // namespace

void save_raw_palette(cPalette& palette, const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  std::string pattern = folder_of(path) + "/." +
                        (slash == std::string::npos ? path : path.substr(slash + 1)) + ".XXXXXX";
  std::vector<char> temp(pattern.begin(), pattern.end());
  temp.push_back('\0');
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) fail(path, errno);
  ::close(fd);
  errno = 0;
  const bool saved = is_true(palette.Save(temp.data(), 0));
  int error = errno;
  if (saved && ::rename(temp.data(), path.c_str()) == 0) return;
  if (saved) error = errno;
  ::unlink(temp.data());
  fail(path, error);
}

}  // namespace zentrik::cli
