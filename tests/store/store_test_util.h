#pragma once
// Small helpers of the table store tests: a temporary folder, whole-file access, running
// an external reader.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "store/field.h"

namespace store_test {

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/rendax_store_XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Runs a command through the shell and returns its standard output; `status` gets the
// exit status.
inline std::string run(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int st = ::pclose(p);
  if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return out;
}

inline store::FieldDesc field(const char* name, char type, int length = 0, int decimals = 0) {
  store::FieldDesc f;
  f.name = name;
  f.type = type;
  f.length = length;
  f.decimals = decimals;
  return f;
}

}  // namespace store_test

namespace store_test {

// Runs `body` in a child process; its result is the child's exit status (an exception
// gives 99).
template <class F>
pid_t spawn(F body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    int rc = 98;
    try {
      rc = body();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child %d: %s\n", static_cast<int>(::getpid()), e.what());
      rc = 99;
    } catch (...) {
      rc = 99;
    }
    ::_exit(rc);
  }
  return pid;
}

inline int wait_exit(pid_t pid) {
  int st = 0;
  ::waitpid(pid, &st, 0);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

}  // namespace store_test
