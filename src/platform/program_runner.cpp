#include "platform/program_runner.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace platform {

std::vector<std::string> split_command_line(const std::string& line) {
  std::vector<std::string> out;
  std::string current;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) out.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) out.push_back(current);
  return out;
}

RunResult run_program(const std::vector<std::string>& args, bool wait) {
  RunResult result;
  if (args.empty() || args[0].empty()) {
    result.error = "no program named";
    return result;
  }
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    result.error = std::strerror(rc);
    return result;
  }
  result.started = true;
  if (wait) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // A program that could not be executed after the fork reports 127.
    if (result.exit_code == 127) {
      result.started = false;
      result.error = "could not run " + args[0];
    }
  }
  return result;
}

RunResult run_shell_command(const std::string& command_line, bool wait) {
  return run_program({"/bin/sh", "-c", command_line}, wait);
}

}  // namespace platform
