#include "store/os_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/field.h"

namespace store {

namespace {
std::string errno_text(int err) { return std::strerror(err); }
}  // namespace

OsFile::OsFile(const std::string& path, Mode mode) : path_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kReadWrite: flags |= O_RDWR; break;
    case Mode::kReadOnly: flags |= O_RDONLY; break;
    case Mode::kCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) {
    int err = errno;
    throw StoreError(path, err == ENOENT ? "file not found" : "cannot open: " + errno_text(err));
  }
  writable_ = mode != Mode::kReadOnly;
}

OsFile::~OsFile() { close(); }

OsFile::OsFile(OsFile&& other) noexcept
    : fd_(other.fd_), writable_(other.writable_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

OsFile& OsFile::operator=(OsFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    writable_ = other.writable_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

void OsFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::size_t OsFile::read_at(std::uint64_t offset, void* buf, std::size_t n) const {
  std::size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < n) {
    ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw StoreError(path_, "read error: " + errno_text(errno));
    }
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return done;
}

void OsFile::read_exact(std::uint64_t offset, void* buf, std::size_t n) const {
  if (read_at(offset, buf, n) != n) throw StoreError(path_, "file is truncated");
}

void OsFile::write_at(std::uint64_t offset, const void* buf, std::size_t n) {
  std::size_t done = 0;
  const auto* p = static_cast<const char*>(buf);
  while (done < n) {
    ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      throw StoreError(path_, "write error: " + errno_text(errno));
    }
    done += static_cast<std::size_t>(r);
  }
}

std::uint64_t OsFile::size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw StoreError(path_, "cannot stat: " + errno_text(errno));
  return static_cast<std::uint64_t>(st.st_size);
}

void OsFile::truncate(std::uint64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    throw StoreError(path_, "cannot truncate: " + errno_text(errno));
}

void OsFile::sync() {
  if (::fdatasync(fd_) != 0) throw StoreError(path_, "cannot sync: " + errno_text(errno));
}

bool OsFile::lock(std::uint64_t offset, std::uint64_t length, LockKind kind, bool wait) {
  struct flock fl {};
  fl.l_type = kind == LockKind::kShared ? F_RDLCK : F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
#ifdef F_OFD_SETLK
  int cmd = wait ? F_OFD_SETLKW : F_OFD_SETLK;
#else
  int cmd = wait ? F_SETLKW : F_SETLK;
#endif
  for (;;) {
    if (::fcntl(fd_, cmd, &fl) == 0) return true;
    int err = errno;
    if (err == EINTR) continue;
    if (err == EACCES || err == EAGAIN) return false;
    if (err == EBADF) return false;  // e.g. a write lock on a file opened read-only
    throw StoreError(path_, "lock error: " + errno_text(err));
  }
}

void OsFile::unlock(std::uint64_t offset, std::uint64_t length) {
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
#ifdef F_OFD_SETLK
  ::fcntl(fd_, F_OFD_SETLK, &fl);
#else
  ::fcntl(fd_, F_SETLK, &fl);
#endif
}

bool file_exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string resolve_path_nocase(const std::string& path) {
  if (file_exists(path)) return path;
  auto slash = path.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return path;
  std::string found;
  while (dirent* e = ::readdir(d)) {
    if (::strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  if (found.empty()) return path;
  return slash == std::string::npos ? found : path.substr(0, slash + 1) + found;
}

void replace_file(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0)
    throw StoreError(to, "cannot rename " + from + ": " + errno_text(errno));
  auto slash = to.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : to.substr(0, slash));
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void remove_file_if_exists(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT)
    throw StoreError(path, "cannot remove: " + errno_text(errno));
}

}  // namespace store
