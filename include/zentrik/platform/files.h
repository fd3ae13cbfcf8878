// Files: a RAII file handle with byte counts, the write-to-temporary-then-rename writer that
// keeps old files intact on failure, and a fault switch that tests use to simulate a full disk.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "zentrik/platform/automation.h"

namespace zentrik {

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file for reading; check is_open() and error(). Both open without sharing:
  // while one File holds a file, another open_read or create of it fails with EBUSY.
  static File open_read(const std::string& path);
  // Creates a file for writing, replacing (truncating) an existing one.
  static File create(const std::string& path);

  bool is_open() const { return fd_ >= 0; }
  Long error() const { return error_; }  // errno of the last failure, 0 when none

  // Transfers as many bytes as it can; returns the count transferred (short on end of file or a
  // failed write, with error() set).
  std::size_t read(std::span<std::uint8_t> out);
  std::size_t write(std::span<const std::uint8_t> data);
  bool seek(std::int64_t position);  // from the start
  std::int64_t length() const;       // -1 on failure
  void close();

 private:
  friend class ReplacingFileWriter;
  explicit File(int fd) : fd_(fd) {}  // takes ownership of an open descriptor
  int fd_ = -1;
  Long error_ = 0;
};

// Writes a file so that nothing is lost: bytes go to a temporary file in the target's folder,
// which replaces the target only on commit(). Without a commit (or when it fails) the temporary
// file is removed and an existing target stays as it was.
class ReplacingFileWriter {
 public:
  ReplacingFileWriter() = default;
  ~ReplacingFileWriter();
  ReplacingFileWriter(const ReplacingFileWriter&) = delete;
  ReplacingFileWriter& operator=(const ReplacingFileWriter&) = delete;

  // False (with error() set) when the temporary file cannot be created, e.g. a missing folder.
  bool open(const std::string& path);
  // Returns the count written; a short count means failure (error() set).
  std::size_t write(std::span<const std::uint8_t> data);
  bool commit();  // flushes, closes and renames over the target
  void abandon();
  Long error() const { return error_; }
  const std::string& temporary_path() const { return temp_; }

 private:
  File file_;
  std::string target_;
  std::string temp_;
  Long error_ = 0;
};

// For tests: after `bytes` more bytes have been written through File::write in this process,
// every further write is short with ENOSPC; nullopt switches the fault off.
void set_write_fault(std::optional<std::size_t> bytes);

bool FileExists(const std::string& path);
bool DeleteFileA(const std::string& path);
// Reads a whole file; nullopt (with errno in `error` when given) when it cannot be read.
std::optional<std::string> read_file(const std::string& path, Long* error = nullptr);

}  // namespace zentrik
