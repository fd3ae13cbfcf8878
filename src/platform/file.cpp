// File: a descriptor owner that opens without sharing, with counted reads and writes and the
// process-wide write fault used by tests.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

struct WriteFault {
  std::mutex mutex;
  std::optional<std::size_t> remaining;
};

WriteFault& write_fault() {
  static WriteFault* fault = new WriteFault();
  return *fault;
}

// How many of `wanted` bytes the fault lets through (all of them when it is off).
std::size_t allowed_by_fault(std::size_t wanted) {
  WriteFault& fault = write_fault();
  std::lock_guard lock(fault.mutex);
  if (!fault.remaining) return wanted;
  const std::size_t allowed = std::min(wanted, *fault.remaining);
  *fault.remaining -= allowed;
  return allowed;
}

// Opens `path` and takes an exclusive lock on it, which stands for the platform's share mode 0.
int open_unshared(const std::string& path, int flags, Long& error) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    error = EISDIR;
    return -1;
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    error = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return -1;
  }
  error = 0;
  return fd;
}

}  // namespace

void set_write_fault(std::optional<std::size_t> bytes) {
  WriteFault& fault = write_fault();
  std::lock_guard lock(fault.mutex);
  fault.remaining = bytes;
}

File::~File() {
  close();
}

File::File(File&& other) noexcept : fd_(other.fd_), error_(other.error_) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    error_ = other.error_;
    other.fd_ = -1;
  }
  return *this;
}

File File::open_read(const std::string& path) {
  File file;
  file.fd_ = open_unshared(path, O_RDONLY, file.error_);
  return file;
}

File File::create(const std::string& path) {
  File file;
  // Truncate only once the lock is held, so that a file in use elsewhere stays intact.
  file.fd_ = open_unshared(path, O_WRONLY | O_CREAT, file.error_);
  if (file.fd_ >= 0 && ::ftruncate(file.fd_, 0) != 0) {
    file.error_ = errno;
    file.close();
  }
  return file;
}

std::size_t File::read(std::span<std::uint8_t> out) {
  if (fd_ < 0) {
    error_ = EBADF;
    return 0;
  }
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::read(fd_, out.data() + done, out.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      break;
    }
    if (n == 0) break;  // end of file
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t File::write(std::span<const std::uint8_t> data) {
  if (fd_ < 0) {
    error_ = EBADF;
    return 0;
  }
  const std::size_t allowed = allowed_by_fault(data.size());
  std::size_t done = 0;
  while (done < allowed) {
    const ssize_t n = ::write(fd_, data.data() + done, allowed - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      return done;
    }
    done += static_cast<std::size_t>(n);
  }
  if (allowed < data.size()) error_ = errno = ENOSPC;  // as a full disk would say
  return done;
}

bool File::seek(std::int64_t position) {
  if (fd_ < 0) {
    error_ = EBADF;
    return false;
  }
  if (position < 0) {
    error_ = EINVAL;
    return false;
  }
  if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
    error_ = errno;
    return false;
  }
  return true;
}

std::int64_t File::length() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

void File::close() {
  if (fd_ < 0) return;
  if (::close(fd_) != 0 && errno != EINTR) error_ = errno;
  fd_ = -1;
}

}  // namespace zentrik
