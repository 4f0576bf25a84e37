#pragma once
// One open file of the store: positioned reads and writes that either complete or throw,
// and byte-range locks between processes.
//
// Locks are open-file-description locks where the system has them (Linux F_OFD_SETLK):
// they belong to this descriptor, so closing another descriptor of the same file in this
// process does not drop them, and two opens of one file in one process exclude each other
// just as two processes do. Elsewhere classic POSIX fcntl locks are used.
#include <cstdint>
#include <string>

namespace store {

class OsFile {
 public:
  enum class Mode { kReadWrite, kReadOnly, kCreate /* read-write, truncated or new */ };
  enum class LockKind { kShared, kExclusive };

  OsFile() = default;
  OsFile(const std::string& path, Mode mode);
  ~OsFile();
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;
  OsFile(OsFile&& other) noexcept;
  OsFile& operator=(OsFile&& other) noexcept;

  bool is_open() const { return fd_ >= 0; }
  bool writable() const { return writable_; }
  const std::string& path() const { return path_; }
  int fd() const { return fd_; }
  void close();

  // Reads up to n bytes at offset; returns how many were read (short only at end of file).
  std::size_t read_at(std::uint64_t offset, void* buf, std::size_t n) const;
  // Reads exactly n bytes or throws StoreError naming the file ("truncated").
  void read_exact(std::uint64_t offset, void* buf, std::size_t n) const;
  void write_at(std::uint64_t offset, const void* buf, std::size_t n);
  std::uint64_t size() const;
  void truncate(std::uint64_t size);
  void sync();

  // Byte-range lock, tried once unless `wait`. Returns false when another holder refuses it.
  bool lock(std::uint64_t offset, std::uint64_t length, LockKind kind, bool wait = false);
  void unlock(std::uint64_t offset, std::uint64_t length);

 private:
  int fd_ = -1;
  bool writable_ = false;
  std::string path_;
};

// Path of an existing file whose name matches `path` ignoring letter case in the last
// component (folders copied from other systems keep their own spelling); `path` itself
// when it exists or nothing matches.
std::string resolve_path_nocase(const std::string& path);
bool file_exists(const std::string& path);
// Renames `from` over `to` and makes the rename durable (fsync of the folder).
void replace_file(const std::string& from, const std::string& to);
void remove_file_if_exists(const std::string& path);

}  // namespace store
