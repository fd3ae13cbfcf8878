// ReplacingFileWriter: a temporary file beside the target, renamed over it on commit.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <vector>

#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process's file creation mask, read without changing it (falls back to the usual 022).
mode_t current_umask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
  }
  return 022;
}

// Makes the new file carry the permissions the target has, or those a newly created file gets.
void set_final_mode(int fd, const std::string& target) {
  struct stat info {};
  const mode_t mode =
      ::stat(target.c_str(), &info) == 0 ? (info.st_mode & 07777) : (0666 & ~current_umask());
  (void)::fchmod(fd, mode);
}

}  // namespace

ReplacingFileWriter::~ReplacingFileWriter() {
  abandon();
}

bool ReplacingFileWriter::open(const std::string& path) {
  abandon();
  error_ = 0;
  if (path.empty() || path.back() == '/') {
    error_ = ENOENT;
    return false;
  }
  std::string pattern = folder_of(path) + "/." + name_of(path) + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  set_final_mode(fd, path);
  file_ = File(fd);
  target_ = path;
  temp_ = buffer.data();
  return true;
}

std::size_t ReplacingFileWriter::write(std::span<const std::uint8_t> data) {
  if (!file_.is_open()) {
    if (error_ == 0) error_ = EBADF;
    return 0;
  }
  const std::size_t written = file_.write(data);
  if (written < data.size() && error_ == 0) error_ = file_.error() != 0 ? file_.error() : EIO;
  return written;
}

bool ReplacingFileWriter::commit() {
  if (!file_.is_open()) {
    if (error_ == 0) error_ = EBADF;
    abandon();
    return false;
  }
  // A failed write earlier means the temporary file is incomplete: never let it replace the target.
  if (error_ != 0) {
    abandon();
    return false;
  }
  if (::fsync(file_.fd_) != 0) error_ = errno;
  file_.close();
  if (error_ == 0 && file_.error() != 0) error_ = file_.error();
  if (error_ != 0) {
    abandon();
    return false;
  }
  // A target that another File holds open without sharing cannot be replaced.
  const int held = ::open(target_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) != 0) {
    error_ = EBUSY;
    ::close(held);
    abandon();
    return false;
  }
  const bool renamed = ::rename(temp_.c_str(), target_.c_str()) == 0;
  if (!renamed) error_ = errno;
  if (held >= 0) ::close(held);
  if (!renamed) {
    abandon();
    return false;
  }
  temp_.clear();
  // Make the rename itself durable.
  const int folder = ::open(folder_of(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    (void)::fsync(folder);
    ::close(folder);
  }
  target_.clear();
  return true;
}

void ReplacingFileWriter::abandon() {
  file_.close();
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  target_.clear();
}

}  // namespace zentrik
