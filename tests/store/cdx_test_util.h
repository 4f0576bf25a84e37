#pragma once
// Helpers of the CDX tests: a temporary folder, tag listings, Perl's index reader.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "store/cdx.h"

namespace store::cdxtest {

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/cdx_test_XXXXXX";
    char* p = mkdtemp(tmpl);
    if (p == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = p;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

using Listing = std::vector<std::pair<std::string, std::uint32_t>>;

inline Listing scan(CdxTag& tag) {
  Listing out;
  for (CdxCursor c = tag.first(); c.valid(); tag.next(c)) out.emplace_back(c.key(), c.recno());
  return out;
}

inline Listing scan_backward(CdxTag& tag) {
  Listing out;
  for (CdxCursor c = tag.last(); c.valid(); tag.prev(c)) out.emplace_back(c.key(), c.recno());
  return out;
}

inline std::string run(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[65536];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

inline bool have_perl_reader() { return std::filesystem::exists("/usr/bin/index_dump"); }

// Lines "key recno" as Perl's index_dump prints them (type: char or num).
inline std::vector<std::string> perl_dump(const std::string& file, const std::string& tag, const std::string& type) {
  std::string out = run("/usr/bin/index_dump --type=" + type + " '" + file + "' " + tag + " 2>&1");
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < out.size()) {
    std::size_t e = out.find('\n', pos);
    if (e == std::string::npos) e = out.size();
    lines.push_back(out.substr(pos, e - pos));
    pos = e + 1;
  }
  return lines;
}

// Our listing in index_dump's form: character keys without trailing blanks, numbers as
// Perl prints them.
inline std::vector<std::string> as_perl_lines(const Listing& listing, KeyType type) {
  std::vector<std::string> lines;
  for (const auto& [key, recno] : listing) {
    std::string k;
    if (type == KeyType::kCharacter) {
      k = key;
      while (!k.empty() && k.back() == ' ') k.pop_back();
    } else {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.15g", decode_numeric_key(key));
      k = buf;
    }
    lines.push_back(k + " " + std::to_string(recno));
  }
  return lines;
}

// Where two listings part, for a short failure message.
inline std::string first_difference(const std::vector<std::string>& ours, const std::vector<std::string>& theirs) {
  std::size_t i = 0;
  while (i < ours.size() && i < theirs.size() && ours[i] == theirs[i]) ++i;
  if (i == ours.size() && i == theirs.size()) return "";
  return "line " + std::to_string(i) + " of " + std::to_string(ours.size()) + "/" + std::to_string(theirs.size()) +
         ": ours \"" + (i < ours.size() ? ours[i] : "<end>") + "\" theirs \"" +
         (i < theirs.size() ? theirs[i] : "<end>") + "\"";
}

}  // namespace store::cdxtest
