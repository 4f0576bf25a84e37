#pragma once
// Starting external programs (archiver, calculator, editor, the official program's
// hashing tool, an installer).
#include <string>
#include <vector>

namespace platform {

struct RunResult {
  bool started = false;   // the program could be started
  int exit_code = -1;     // when waited for: its exit status (-1 when killed by a signal)
  std::string error;      // why it could not be started
};

// Starts `argv[0]` with the arguments, searching PATH when the name has no '/'.
// With `wait`, waits for the program to end. No shell is involved.
RunResult run_program(const std::vector<std::string>& argv, bool wait);
// Runs a command line through /bin/sh -c (for the rare command that needs a shell).
RunResult run_shell_command(const std::string& command_line, bool wait);
// Splits a command line into arguments: blanks separate, double quotes group.
std::vector<std::string> split_command_line(const std::string& command_line);

}  // namespace platform
