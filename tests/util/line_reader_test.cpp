#include "util/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> all_lines_file(const std::string& content) {
  std::FILE* f = std::tmpfile();
  EXPECT_NE(f, nullptr);
  std::fwrite(content.data(), 1, content.size(), f);
  std::rewind(f);
  std::vector<std::string> lines;
  for (std::string line = util::LELINHA(f); !line.empty(); line = util::LELINHA(f)) lines.push_back(line);
  EXPECT_EQ(util::LELINHA(f), "");  // stays empty at the end
  std::fclose(f);
  return lines;
}

std::vector<std::string> all_lines_stream(const std::string& content) {
  std::istringstream in(content);
  std::vector<std::string> lines;
  for (std::string line = util::LELINHA(in); !line.empty(); line = util::LELINHA(in)) lines.push_back(line);
  return lines;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(LeLinha, EveryLineEndingStaysOnItsLine) {
  using namespace std::string_literals;
  struct Case {
    std::string content;
    Lines lines;
  } cases[] = {
      {"A1\r\nB2\r\n", {"A1\r\n", "B2\r\n"}},
      {"A1\nB2", {"A1\n", "B2"}},
      {"A1\rB2\r", {"A1\r", "B2\r"}},
      {"A1\r\n\r\n", {"A1\r\n", "\r\n"}},  // an empty line at the end of the file
      {"\n\n", {"\n", "\n"}},
      {"a\r\nb\nc\rd", {"a\r\n", "b\n", "c\r", "d"}},
      {"A1\0B2\n"s, {"A1\0"s, "B2\n"}},
      {"x\r\r\n", {"x\r", "\r\n"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(all_lines_file(c.content), c.lines);
    EXPECT_EQ(all_lines_stream(c.content), c.lines);
  }
}

// A caller reads the two-byte record type first and the rest of the line with the reader;
// the next record starts right after the terminator.
TEST(LeLinha, ContinuesFromTheCurrentPosition) {
  std::string content = "16" + std::string(5000, 'x') + "\r\n" + "T9end\r\n";
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::fwrite(content.data(), 1, content.size(), f);
  std::rewind(f);
  char type[3] = {};
  ASSERT_EQ(std::fread(type, 1, 2, f), 2u);
  EXPECT_STREQ(type, "16");
  std::string rest = util::LELINHA(f);
  EXPECT_EQ(rest.size(), 5002u);
  EXPECT_EQ(std::ftell(f), 5004);
  EXPECT_EQ(util::LELINHA(f), "T9end\r\n");
  EXPECT_EQ(util::LELINHA(f), "");
  std::fclose(f);
}
