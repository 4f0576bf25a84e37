#include "util/line_reader.h"

namespace util {
namespace {

// `next()` gives the next byte or EOF; `peek()` the following one without taking it, so a
// lone carriage return ends a line without eating the next line's first byte.
template <class Next, class Peek>
std::string read_line(Next next, Peek peek) {
  std::string line;
  for (;;) {
    int c = next();
    if (c == EOF) break;
    line += static_cast<char>(c);
    if (c == '\n' || c == '\0') break;
    if (c == '\r') {
      int following = peek();
      if (following == '\n') {
        line += static_cast<char>(next());
      }
      break;
    }
  }
  return line;
}

}  // namespace

std::string LELINHA(std::FILE* file) {
  if (file == nullptr) return "";
  return read_line([&] { return std::getc(file); },
                   [&] {
                     int c = std::getc(file);
                     if (c != EOF) std::ungetc(c, file);
                     return c;
                   });
}

std::string LELINHA(std::istream& in) {
  return read_line(
      [&] {
        int c = in.get();
        return in ? c : EOF;
      },
      [&] {
        int c = in.peek();
        return in ? c : EOF;
      });
}

}  // namespace util
