// A scratch file of its own for each fuzz target process, removed when the process ends: the
// palette readers are fed through real files, as callers use them. The files live in memory
// (/dev/shm) where there is such a folder, so that the writers' fsync costs nothing and the
// targets run at full speed.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace zentrik::fuzzing {

class ScratchFile {
 public:
  explicit ScratchFile(const char* tag)
      : path_(Folder() + "/zentrik-fuzz-" + std::string(tag) + "-" + std::to_string(::getpid())) {}
  ~ScratchFile() {
    std::remove(path_.c_str());
    std::remove((path_ + ".out").c_str());
  }
  const std::string& Write(const std::uint8_t* data, std::size_t size) const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path_;
  }
  std::string Output() const { return path_ + ".out"; }

 private:
  static std::string Folder() {
    struct stat info {};
    return ::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) ? "/dev/shm" : "/tmp";
  }
  std::string path_;
};

}  // namespace zentrik::fuzzing
