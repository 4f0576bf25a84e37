#pragma once
// Line reader for imported text files (official program's files, income statements,
// cash books, return files of banks).
#include <cstdio>
#include <istream>
#include <string>

namespace util {

// Reads the next line from the current position, terminator included: the bytes up to and
// including a line feed (so "\r\n" of Windows files and "\n" stay on the line), a carriage
// return not followed by a line feed (old Macintosh files), or a zero byte; or up to the
// end of the file. Record positions counted from the start of the line are therefore those
// of the file. At the end of the file the result is empty, so an empty line in the middle
// or at the end of a file reads as its terminator alone ("\r\n"), never as "".
std::string LELINHA(std::FILE* file);
std::string LELINHA(std::istream& in);

}  // namespace util
