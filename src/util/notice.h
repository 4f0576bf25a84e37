#pragma once
// Outcome of a check made by a pure routine, with the message the operator must see.
//
// The routines of util never draw: where a check rejects a value with a message box, it
// returns the lines and the box mode instead, and the caller in the screen layer shows them:
//
//   util::Check c = util::VAL_CPF(cpf, true);
//   for (const util::Notice& n : c.notices) AVISOSN(n.lines, n.mode);   // shell message boxes
//   return c.ok;                                                        // field check result
//
// Most checks carry at most one notice; a combined CPF/CNPJ field can carry two (the
// punctuation's complaint, then the check's), shown one after the other.
//
// Lines are CP850 text (the program's internal text), shown exactly as given; AVISOSN joins
// a list of lines with carriage return and line feed after each line.
#include <string>
#include <utility>
#include <vector>

namespace util {

// AVISOSN modes used by these routines.
inline constexpr int kNoticeInfo = 0;
inline constexpr int kNoticeError = 8;

struct Notice {
  std::vector<std::string> lines;  // empty: nothing to show
  int mode = kNoticeInfo;

  bool empty() const { return lines.empty(); }
  // The lines joined as AVISOSN shows them (CR LF after each line).
  std::string text() const {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
  }
  static Notice error(std::vector<std::string> lines) { return Notice{std::move(lines), kNoticeError}; }
};

// A field check: `ok` accepts the value; a rejection may carry a notice or be silent
// (a required field left empty is rejected without a message).
struct Check {
  bool ok = true;
  std::vector<Notice> notices;  // in the order they are shown

  static Check accept() { return {}; }
  static Check reject() { return Check{false, {}}; }
  static Check reject(std::vector<std::string> lines) { return Check{false, {Notice::error(std::move(lines))}}; }
};

// A text result that may come with notices (punctuation routines).
struct TextNotice {
  std::string text;
  std::vector<Notice> notices;
};

}  // namespace util
