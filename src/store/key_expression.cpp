// Parser and evaluator of index key and condition expressions.
#include "store/key_expression.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "util/codepage.h"

namespace store {

namespace {

enum class Op {
  kField,
  kText,    // literal text
  kNumber,  // literal number
  kBool,    // literal logical
  kConcat,      // C + C
  kConcatTrim,  // C - C
  kAdd, kSub, kMul, kDiv, kMod, kNeg,
  kDateAdd,   // D + N, N + D
  kDateSub,   // D - N
  kDateDiff,  // D - D
  kEq, kExactEq, kNe, kLt, kLe, kGt, kGe, kContains,
  kAnd, kOr, kNot,
  kStr, kStrZero, kUpper, kLower, kDtos, kDtoc, kSubstr, kLeft, kRight, kRTrim, kLTrim,
  kAllTrim, kPadR, kPadL, kPadC, kVal, kMonth, kYear, kDay, kDeleted, kEmpty, kIif, kAbs,
  kInt, kRound, kSpace, kReplicate,
};

struct FunctionInfo {
  const char* name;
  Op op;
  int min_args;
  int max_args;
};

constexpr FunctionInfo kFunctions[] = {
    {"STR", Op::kStr, 1, 3},         {"STRZERO", Op::kStrZero, 1, 3},
    {"UPPER", Op::kUpper, 1, 1},     {"LOWER", Op::kLower, 1, 1},
    {"DTOS", Op::kDtos, 1, 1},       {"DTOC", Op::kDtoc, 1, 1},
    {"SUBSTR", Op::kSubstr, 2, 3},   {"LEFT", Op::kLeft, 2, 2},
    {"RIGHT", Op::kRight, 2, 2},     {"TRIM", Op::kRTrim, 1, 1},
    {"RTRIM", Op::kRTrim, 1, 1},     {"LTRIM", Op::kLTrim, 1, 1},
    {"ALLTRIM", Op::kAllTrim, 1, 1}, {"PADR", Op::kPadR, 2, 3},
    {"PADL", Op::kPadL, 2, 3},       {"PADC", Op::kPadC, 2, 3},
    {"VAL", Op::kVal, 1, 1},         {"MONTH", Op::kMonth, 1, 1},
    {"YEAR", Op::kYear, 1, 1},       {"DAY", Op::kDay, 1, 1},
    {"DELETED", Op::kDeleted, 0, 0}, {"EMPTY", Op::kEmpty, 1, 1},
    {"IIF", Op::kIif, 3, 3},         {"IF", Op::kIif, 3, 3},
    {"ABS", Op::kAbs, 1, 1},         {"INT", Op::kInt, 1, 1},
    {"ROUND", Op::kRound, 2, 2},     {"SPACE", Op::kSpace, 1, 1},
    {"REPLICATE", Op::kReplicate, 2, 2},
};

// Upper/lower case of code page 850 bytes: ASCII letters and the accented letters whose
// other case exists in the code page.
struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
  CaseTables() {
    for (int b = 0; b < 256; ++b) upper[b] = lower[b] = static_cast<unsigned char>(b);
    for (int b = 'a'; b <= 'z'; ++b) {
      upper[b] = static_cast<unsigned char>(b - 32);
      lower[b - 32] = static_cast<unsigned char>(b);
    }
    std::array<int, 0x100> byte_of_latin1;  // Latin-1 code point -> CP850 byte
    byte_of_latin1.fill(-1);
    for (int b = 128; b < 256; ++b) {
      char32_t cp = util::cp850_code_point(static_cast<unsigned char>(b));
      if (cp < 0x100) byte_of_latin1[cp] = b;
    }
    for (int cp = 0xE0; cp <= 0xFE; ++cp) {
      if (cp == 0xF7) continue;  // division sign
      int lo = byte_of_latin1[cp], up = byte_of_latin1[cp - 0x20];
      if (lo >= 0 && up >= 0) {
        upper[lo] = static_cast<unsigned char>(up);
        lower[up] = static_cast<unsigned char>(lo);
      }
    }
  }
};

const CaseTables& case_tables() {
  static const CaseTables tables;
  return tables;
}

std::string upper_ascii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return r;
}

// Number formatting of STR: rounded half away from zero to `dec` decimals, right-aligned
// in `len`; asterisks when it does not fit.
void format_str(double v, int len, int dec, bool zero_fill, std::string& out) {
  if (len <= 0) return;
  if (dec < 0) dec = 0;
  if (dec > 0 && dec > len - 2) dec = std::max(0, len - 2);
  char buf[400];
  long double scale = std::pow(10.0L, dec);
  long double scaled = static_cast<long double>(v) * scale;
  // Nudge ties that the binary value misses (1.005 * 100 = 100.4999...).
  scaled = std::round(scaled + (scaled >= 0 ? 1e-9L : -1e-9L) * std::max(1.0L, std::fabs(scaled) * 1e-6L));
  long double rounded = scaled / scale;
  if (rounded == 0) rounded = 0;  // no "-0"
  int n;
  if (!std::isfinite(static_cast<double>(rounded)) || std::fabs(rounded) >= 1e300L) {
    n = -1;
  } else {
    n = std::snprintf(buf, sizeof buf, "%.*Lf", dec, rounded);
  }
  if (n < 0 || n > len) {
    out.append(static_cast<std::size_t>(len), '*');
    return;
  }
  if (zero_fill) {
    bool neg = buf[0] == '-';
    if (neg) out.push_back('-');
    out.append(static_cast<std::size_t>(len - n), '0');
    out.append(buf + (neg ? 1 : 0), buf + n);
  } else {
    out.append(static_cast<std::size_t>(len - n), ' ');
    out.append(buf, buf + n);
  }
}

double parse_number_text(const char* p, std::size_t n) {
  char buf[64];
  std::size_t i = 0;
  while (i < n && (p[i] == ' ' || p[i] == '\0')) ++i;
  std::size_t k = 0;
  for (; i < n && k + 1 < sizeof buf; ++i) {
    char c = p[i];
    if (c == ',') c = '.';
    if (c == ' ' || c == '\0') break;
    buf[k++] = c;
  }
  if (k == 0) return 0;
  buf[k] = 0;
  char* end = nullptr;
  double v = std::strtod(buf, &end);
  if (end == buf || !std::isfinite(v)) return 0;
  return v;
}

std::string two_digits_pad(int v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
  return s;
}

void civil_from_julian(std::int64_t jd, int& y, int& m, int& d) {
  // Fliegel & Van Flandern.
  std::int64_t l = jd + 68569;
  std::int64_t n = 4 * l / 146097;
  l = l - (146097 * n + 3) / 4;
  std::int64_t i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  std::int64_t j = 80 * l / 2447;
  d = static_cast<int>(l - 2447 * j / 80);
  l = j / 11;
  m = static_cast<int>(j + 2 - 12 * l);
  y = static_cast<int>(100 * (n - 49) + i + l);
}

}  // namespace

// ---------------------------------------------------------------- dates and key bytes

std::int64_t julian_day(int year, int month, int day) {
  std::int64_t y = year, m = month, d = day;
  std::int64_t a = (14 - m) / 12;
  std::int64_t yy = y + 4800 - a;
  std::int64_t mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

std::int64_t julian_from_dtos(std::string_view s) {
  bool blank = true;
  for (char c : s) {
    if (c != ' ' && c != '\0') blank = false;
  }
  if (blank) return 0;
  if (s.size() != 8) return -1;
  int v[8];
  for (int i = 0; i < 8; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    v[i] = s[i] - '0';
  }
  int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
  int m = v[4] * 10 + v[5];
  int d = v[6] * 10 + v[7];
  if (y < 1 || m < 1 || m > 12 || d < 1) return -1;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int dim = kDays[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) dim = 29;
  if (d > dim) return -1;
  return julian_day(y, m, d);
}

std::string dtos_from_julian(std::int64_t jd) {
  if (jd <= 0) return std::string(8, ' ');
  int y, m, d;
  civil_from_julian(jd, y, m, d);
  if (y < 0 || y > 9999) return std::string(8, ' ');
  return two_digits_pad(y, 4) + two_digits_pad(m, 2) + two_digits_pad(d, 2);
}

std::string encode_numeric_key(double value) {
  if (value == 0 || std::isnan(value)) value = 0;  // -0 and NaN sort as 0
  std::uint64_t bits;
  std::memcpy(&bits, &value, 8);
  if (bits >> 63) {
    bits = ~bits;
  } else {
    bits |= 0x8000000000000000ull;
  }
  std::string out(8, '\0');
  for (int i = 0; i < 8; ++i) out[i] = static_cast<char>((bits >> (56 - 8 * i)) & 0xFF);
  return out;
}

double decode_numeric_key(std::string_view key8) {
  if (key8.size() < 8) return 0;
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = (bits << 8) | static_cast<unsigned char>(key8[i]);
  if (bits >> 63) {
    bits &= 0x7FFFFFFFFFFFFFFFull;
  } else {
    bits = ~bits;
  }
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

std::string encode_date_key(std::int64_t julian) {
  return encode_numeric_key(static_cast<double>(julian < 0 ? 0 : julian));
}

std::string encode_character_key(std::string_view text, int length) {
  std::string out(text.substr(0, static_cast<std::size_t>(std::max(0, length))));
  out.resize(static_cast<std::size_t>(std::max(0, length)), ' ');
  return out;
}

// ---------------------------------------------------------------- the tree

struct Expression::Node {
  Op op = Op::kText;
  char type = 'C';  // C, N, D, L
  int width = 0;    // C: fixed width; N: width for STR without a length
  int decimals = 0;
  // kField
  int field = -1;
  char field_type = 'C';
  int offset = 0;
  int length = 0;
  // literals
  std::string text;
  double number = 0;
  bool logical = false;
  // constant integer arguments (STR, SUBSTR ...)
  int a1 = 0, a2 = 0;
  std::vector<std::shared_ptr<const Node>> args;
};

namespace {

using Node = Expression::Node;
using NodeP = std::shared_ptr<const Node>;

// ---- evaluation

void eval_text(const Node& n, const RecordRef& r, std::string& out);
double eval_num(const Node& n, const RecordRef& r);
bool eval_bool(const Node& n, const RecordRef& r);

std::string_view field_bytes(const Node& n, const RecordRef& r) {
  std::size_t end = static_cast<std::size_t>(n.offset) + static_cast<std::size_t>(n.length);
  if (r.data == nullptr || end > r.size) {
    throw StoreError("", "record too short for field in expression");
  }
  return std::string_view(r.data + n.offset, static_cast<std::size_t>(n.length));
}

double field_number(const Node& n, const RecordRef& r) {
  std::string_view b = field_bytes(n, r);
  switch (n.field_type) {
    case 'D':
      return static_cast<double>(std::max<std::int64_t>(0, julian_from_dtos(b)));
    case 'I': {
      if (b.size() < 4) return 0;
      std::int32_t v;
      std::memcpy(&v, b.data(), 4);
      return v;
    }
    case 'B': {
      if (b.size() < 8) return 0;
      double v;
      std::memcpy(&v, b.data(), 8);
      return std::isfinite(v) ? v : 0;
    }
    case 'Y': {
      if (b.size() < 8) return 0;
      std::int64_t v;
      std::memcpy(&v, b.data(), 8);
      return static_cast<double>(v) / 10000.0;
    }
    default:
      return parse_number_text(b.data(), b.size());
  }
}

std::string text_of(const Node& n, const RecordRef& r) {
  std::string s;
  eval_text(n, r, s);
  return s;
}

int compare_text(std::string_view a, std::string_view b, bool exact) {
  std::size_t m = std::min(a.size(), b.size());
  int c = m ? std::memcmp(a.data(), b.data(), m) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  if (!exact && b.size() <= a.size()) return 0;  // a begins with b
  return a.size() < b.size() ? -1 : 1;
}

int compare_values(const Node& l, const Node& rn, const RecordRef& r, bool exact) {
  switch (l.type) {
    case 'C':
      return compare_text(text_of(l, r), text_of(rn, r), exact);
    case 'L': {
      bool a = eval_bool(l, r), b = eval_bool(rn, r);
      return a == b ? 0 : (a ? 1 : -1);
    }
    default: {
      double a = eval_num(l, r), b = eval_num(rn, r);
      return a < b ? -1 : (a > b ? 1 : 0);
    }
  }
}

void eval_text(const Node& n, const RecordRef& r, std::string& out) {
  switch (n.op) {
    case Op::kField:
      if (n.field_type == 'L') {
        std::string_view b = field_bytes(n, r);
        char c = b.empty() ? 'F' : b[0];
        out.push_back((c == 'T' || c == 't' || c == 'Y' || c == 'y') ? 'T' : 'F');
      } else {
        out.append(field_bytes(n, r));
      }
      return;
    case Op::kText:
      out.append(n.text);
      return;
    case Op::kConcat:
      eval_text(*n.args[0], r, out);
      eval_text(*n.args[1], r, out);
      return;
    case Op::kConcatTrim: {
      std::size_t start = out.size();
      eval_text(*n.args[0], r, out);
      std::size_t end = out.size();
      while (end > start && out[end - 1] == ' ') --end;
      std::size_t blanks = out.size() - end;
      out.resize(end);
      eval_text(*n.args[1], r, out);
      out.append(blanks, ' ');
      return;
    }
    case Op::kStr:
      format_str(eval_num(*n.args[0], r), n.a1, n.a2, false, out);
      return;
    case Op::kStrZero:
      format_str(eval_num(*n.args[0], r), n.a1, n.a2, true, out);
      return;
    case Op::kUpper:
    case Op::kLower: {
      std::size_t start = out.size();
      eval_text(*n.args[0], r, out);
      const auto& t = n.op == Op::kUpper ? case_tables().upper : case_tables().lower;
      for (std::size_t i = start; i < out.size(); ++i) {
        out[i] = static_cast<char>(t[static_cast<unsigned char>(out[i])]);
      }
      return;
    }
    case Op::kDtos:
      out.append(dtos_from_julian(static_cast<std::int64_t>(eval_num(*n.args[0], r))));
      return;
    case Op::kDtoc: {
      std::int64_t jd = static_cast<std::int64_t>(eval_num(*n.args[0], r));
      std::string s = dtos_from_julian(jd);
      if (jd <= 0 || s[0] == ' ') {
        out.append("  /  /    ");
      } else {
        out.append(s, 6, 2).append("/").append(s, 4, 2).append("/").append(s, 0, 4);
      }
      return;
    }
    case Op::kSubstr:
    case Op::kLeft:
    case Op::kRight: {
      std::string s = text_of(*n.args[0], r);
      std::size_t start, len;
      if (n.op == Op::kSubstr) {
        start = static_cast<std::size_t>(std::max(1, n.a1) - 1);
        len = n.a2 < 0 ? std::string::npos : static_cast<std::size_t>(n.a2);
      } else if (n.op == Op::kLeft) {
        start = 0;
        len = static_cast<std::size_t>(std::max(0, n.a1));
      } else {
        len = static_cast<std::size_t>(std::max(0, n.a1));
        start = s.size() > len ? s.size() - len : 0;
      }
      if (start < s.size()) out.append(s, start, len);
      return;
    }
    case Op::kRTrim:
    case Op::kLTrim:
    case Op::kAllTrim: {
      std::string s = text_of(*n.args[0], r);
      std::size_t b = 0, e = s.size();
      if (n.op != Op::kLTrim) {
        while (e > 0 && s[e - 1] == ' ') --e;
      }
      if (n.op != Op::kRTrim) {
        while (b < e && s[b] == ' ') ++b;
      }
      out.append(s, b, e - b);
      return;
    }
    case Op::kPadR:
    case Op::kPadL:
    case Op::kPadC: {
      std::string s = text_of(*n.args[0], r);
      char fill = n.text.empty() ? ' ' : n.text[0];
      std::size_t w = static_cast<std::size_t>(n.a1);
      if (s.size() >= w) {
        out.append(s, 0, w);
        return;
      }
      std::size_t pad = w - s.size();
      std::size_t left = n.op == Op::kPadR ? 0 : (n.op == Op::kPadL ? pad : pad / 2);
      out.append(left, fill).append(s).append(pad - left, fill);
      return;
    }
    case Op::kSpace:
      out.append(static_cast<std::size_t>(n.a1), ' ');
      return;
    case Op::kReplicate: {
      std::string s = text_of(*n.args[0], r);
      for (int i = 0; i < n.a1; ++i) out.append(s);
      return;
    }
    case Op::kIif:
      eval_text(eval_bool(*n.args[0], r) ? *n.args[1] : *n.args[2], r, out);
      return;
    default:
      throw StoreError("", "expression is not text");
  }
}

double eval_num(const Node& n, const RecordRef& r) {
  switch (n.op) {
    case Op::kField:
      return field_number(n, r);
    case Op::kNumber:
      return n.number;
    case Op::kAdd:
    case Op::kDateAdd:
      return eval_num(*n.args[0], r) + eval_num(*n.args[1], r);
    case Op::kSub:
    case Op::kDateDiff:
      return eval_num(*n.args[0], r) - eval_num(*n.args[1], r);
    case Op::kDateSub: {
      double d = eval_num(*n.args[0], r);
      return d == 0 ? 0 : d - eval_num(*n.args[1], r);
    }
    case Op::kMul:
      return eval_num(*n.args[0], r) * eval_num(*n.args[1], r);
    case Op::kDiv: {
      double b = eval_num(*n.args[1], r);
      return b == 0 ? 0 : eval_num(*n.args[0], r) / b;
    }
    case Op::kMod: {
      double b = eval_num(*n.args[1], r);
      return b == 0 ? 0 : std::fmod(eval_num(*n.args[0], r), b);
    }
    case Op::kNeg:
      return -eval_num(*n.args[0], r);
    case Op::kVal: {
      std::string s = text_of(*n.args[0], r);
      return parse_number_text(s.data(), s.size());
    }
    case Op::kMonth:
    case Op::kYear:
    case Op::kDay: {
      std::int64_t jd = static_cast<std::int64_t>(eval_num(*n.args[0], r));
      if (jd <= 0) return 0;
      int y, m, d;
      civil_from_julian(jd, y, m, d);
      return n.op == Op::kMonth ? m : (n.op == Op::kYear ? y : d);
    }
    case Op::kAbs:
      return std::fabs(eval_num(*n.args[0], r));
    case Op::kInt:
      return std::trunc(eval_num(*n.args[0], r));
    case Op::kRound: {
      double p = std::pow(10.0, n.a1);
      return std::round(eval_num(*n.args[0], r) * p) / p;
    }
    case Op::kIif:
      return eval_num(eval_bool(*n.args[0], r) ? *n.args[1] : *n.args[2], r);
    default:
      throw StoreError("", "expression is not numeric");
  }
}

bool eval_bool(const Node& n, const RecordRef& r) {
  switch (n.op) {
    case Op::kField: {
      std::string_view b = field_bytes(n, r);
      char c = b.empty() ? 'F' : b[0];
      return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }
    case Op::kBool:
      return n.logical;
    case Op::kAnd:
      return eval_bool(*n.args[0], r) && eval_bool(*n.args[1], r);
    case Op::kOr:
      return eval_bool(*n.args[0], r) || eval_bool(*n.args[1], r);
    case Op::kNot:
      return !eval_bool(*n.args[0], r);
    case Op::kEq:
      return compare_values(*n.args[0], *n.args[1], r, false) == 0;
    case Op::kExactEq:
      return compare_values(*n.args[0], *n.args[1], r, true) == 0;
    case Op::kNe:
      return compare_values(*n.args[0], *n.args[1], r, false) != 0;
    case Op::kLt:
      return compare_values(*n.args[0], *n.args[1], r, false) < 0;
    case Op::kLe:
      return compare_values(*n.args[0], *n.args[1], r, false) <= 0;
    case Op::kGt:
      return compare_values(*n.args[0], *n.args[1], r, false) > 0;
    case Op::kGe:
      return compare_values(*n.args[0], *n.args[1], r, false) >= 0;
    case Op::kContains: {
      std::string a = text_of(*n.args[0], r), b = text_of(*n.args[1], r);
      return b.find(a) != std::string::npos;
    }
    case Op::kDeleted:
      return r.data != nullptr && r.size > 0 && r.data[0] == '*';
    case Op::kEmpty: {
      const Node& a = *n.args[0];
      if (a.type == 'C') {
        std::string s = text_of(a, r);
        return s.find_first_not_of(' ') == std::string::npos;
      }
      if (a.type == 'L') return !eval_bool(a, r);
      return eval_num(a, r) == 0;
    }
    case Op::kIif:
      return eval_bool(eval_bool(*n.args[0], r) ? *n.args[1] : *n.args[2], r);
    default:
      throw StoreError("", "expression is not logical");
  }
}

// ---- parsing

enum class Tok { kEnd, kIdent, kNumber, kString, kOp, kDotOp };

struct Token {
  Tok kind = Tok::kEnd;
  std::string text;  // identifier (upper case), operator, string contents, dot word
  double number = 0;
  int decimals = 0;
  std::size_t pos = 0;
};

class Parser {
 public:
  Parser(std::string_view text, const std::vector<FieldDesc>& fields, const std::string& path)
      : src_(text), fields_(fields), path_(path) {
    advance();
  }

  NodeP parse_all() {
    NodeP n = parse_or();
    if (tok_.kind != Tok::kEnd) fail("unexpected \"" + tok_.text + "\"");
    return n;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw StoreError(path_, "expression \"" + std::string(src_) + "\": " + what);
  }

  void advance() {
    std::size_t& i = pos_;
    while (i < src_.size() && (src_[i] == ' ' || src_[i] == '\t')) ++i;
    tok_ = Token{};
    tok_.pos = i;
    if (i >= src_.size()) return;
    char c = src_[i];
    auto is_digit = [](char ch) { return ch >= '0' && ch <= '9'; };
    auto is_alpha = [](char ch) {
      return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_';
    };
    if (is_alpha(c)) {
      std::size_t s = i;
      while (i < src_.size() && (is_alpha(src_[i]) || is_digit(src_[i]))) ++i;
      tok_.kind = Tok::kIdent;
      tok_.text = upper_ascii(src_.substr(s, i - s));
      return;
    }
    if (is_digit(c) || (c == '.' && i + 1 < src_.size() && is_digit(src_[i + 1]))) {
      std::size_t s = i;
      while (i < src_.size() && is_digit(src_[i])) ++i;
      int dec = 0;
      if (i < src_.size() && src_[i] == '.' && i + 1 < src_.size() && is_digit(src_[i + 1])) {
        ++i;
        while (i < src_.size() && is_digit(src_[i])) {
          ++i;
          ++dec;
        }
      }
      tok_.kind = Tok::kNumber;
      tok_.text = std::string(src_.substr(s, i - s));
      tok_.number = std::strtod(tok_.text.c_str(), nullptr);
      tok_.decimals = dec;
      return;
    }
    if (c == '\'' || c == '"' || c == '[') {
      char close = c == '[' ? ']' : c;
      std::size_t s = ++i;
      while (i < src_.size() && src_[i] != close) ++i;
      if (i >= src_.size()) fail("text without its closing quote");
      tok_.kind = Tok::kString;
      tok_.text = std::string(src_.substr(s, i - s));
      ++i;
      return;
    }
    if (c == '.') {
      std::size_t e = src_.find('.', i + 1);
      if (e != std::string_view::npos && e - i <= 4) {
        std::string w = upper_ascii(src_.substr(i + 1, e - i - 1));
        if (w == "AND" || w == "OR" || w == "NOT" || w == "T" || w == "F" || w == "Y" ||
            w == "N") {
          tok_.kind = Tok::kDotOp;
          tok_.text = w;
          i = e + 1;
          return;
        }
      }
      fail("unexpected \".\"");
    }
    static const char* kTwo[] = {"==", "!=", "<>", "<=", ">=", "->", "**"};
    for (const char* op : kTwo) {
      if (src_.substr(i, 2) == op) {
        tok_.kind = Tok::kOp;
        tok_.text = op;
        i += 2;
        return;
      }
    }
    if (std::strchr("+-*/%=<>#!$(),^", c) != nullptr) {
      tok_.kind = Tok::kOp;
      tok_.text = std::string(1, c);
      ++i;
      return;
    }
    fail(std::string("unexpected character \"") + c + "\"");
  }

  bool is_op(const char* op) const { return tok_.kind == Tok::kOp && tok_.text == op; }
  bool is_dot(const char* w) const { return tok_.kind == Tok::kDotOp && tok_.text == w; }
  void expect(const char* op) {
    if (!is_op(op)) fail(std::string("\"") + op + "\" expected");
    advance();
  }

  static std::shared_ptr<Node> make(Op op, char type, std::vector<NodeP> args = {}) {
    auto n = std::make_shared<Node>();
    n->op = op;
    n->type = type;
    n->args = std::move(args);
    return n;
  }

  void need_type(const NodeP& n, char type, const char* what) const {
    if (n->type != type) {
      static const char* kNames[] = {"text", "number", "date", "logical"};
      const char* name = type == 'C' ? kNames[0] : type == 'N' ? kNames[1] : type == 'D' ? kNames[2] : kNames[3];
      fail(std::string(what) + " needs a " + name + " argument");
    }
  }

  NodeP parse_or() {
    NodeP l = parse_and();
    while (is_dot("OR")) {
      advance();
      NodeP r = parse_and();
      need_type(l, 'L', ".OR.");
      need_type(r, 'L', ".OR.");
      auto n = make(Op::kOr, 'L', {l, r});
      n->width = 1;
      l = n;
    }
    return l;
  }

  NodeP parse_and() {
    NodeP l = parse_not();
    while (is_dot("AND")) {
      advance();
      NodeP r = parse_not();
      need_type(l, 'L', ".AND.");
      need_type(r, 'L', ".AND.");
      auto n = make(Op::kAnd, 'L', {l, r});
      n->width = 1;
      l = n;
    }
    return l;
  }

  NodeP parse_not() {
    if (is_dot("NOT") || is_op("!")) {
      advance();
      NodeP a = parse_not();
      need_type(a, 'L', ".NOT.");
      auto n = make(Op::kNot, 'L', {a});
      n->width = 1;
      return n;
    }
    return parse_comparison();
  }

  NodeP parse_comparison() {
    NodeP l = parse_additive();
    struct {
      const char* text;
      Op op;
    } static const kOps[] = {{"==", Op::kExactEq}, {"=", Op::kEq},  {"!=", Op::kNe},
                             {"<>", Op::kNe},      {"#", Op::kNe},  {"<=", Op::kLe},
                             {">=", Op::kGe},      {"<", Op::kLt},  {">", Op::kGt},
                             {"$", Op::kContains}};
    for (const auto& o : kOps) {
      if (is_op(o.text)) {
        advance();
        NodeP r = parse_additive();
        if (o.op == Op::kContains) {
          need_type(l, 'C', "$");
          need_type(r, 'C', "$");
        } else if (l->type != r->type) {
          fail(std::string("comparison \"") + o.text + "\" of different types");
        }
        auto n = make(o.op, 'L', {l, r});
        n->width = 1;
        return n;
      }
    }
    return l;
  }

  NodeP parse_additive() {
    NodeP l = parse_multiplicative();
    while (is_op("+") || is_op("-")) {
      bool plus = is_op("+");
      advance();
      NodeP r = parse_multiplicative();
      std::shared_ptr<Node> n;
      if (l->type == 'C' && r->type == 'C') {
        n = make(plus ? Op::kConcat : Op::kConcatTrim, 'C', {l, r});
        n->width = l->width + r->width;
      } else if (l->type == 'N' && r->type == 'N') {
        n = make(plus ? Op::kAdd : Op::kSub, 'N', {l, r});
        n->width = 10;
        n->decimals = std::max(l->decimals, r->decimals);
      } else if (l->type == 'D' && r->type == 'N') {
        n = make(plus ? Op::kDateAdd : Op::kDateSub, 'D', {l, r});
        n->width = 8;
      } else if (plus && l->type == 'N' && r->type == 'D') {
        n = make(Op::kDateAdd, 'D', {l, r});
        n->width = 8;
      } else if (!plus && l->type == 'D' && r->type == 'D') {
        n = make(Op::kDateDiff, 'N', {l, r});
        n->width = 10;
      } else {
        fail(std::string("\"") + (plus ? "+" : "-") + "\" of incompatible types");
      }
      l = n;
    }
    return l;
  }

  NodeP parse_multiplicative() {
    NodeP l = parse_unary();
    while (is_op("*") || is_op("/") || is_op("%")) {
      Op op = is_op("*") ? Op::kMul : is_op("/") ? Op::kDiv : Op::kMod;
      advance();
      NodeP r = parse_unary();
      need_type(l, 'N', "arithmetic");
      need_type(r, 'N', "arithmetic");
      auto n = make(op, 'N', {l, r});
      n->width = 10;
      n->decimals = std::max(l->decimals, r->decimals);
      l = n;
    }
    return l;
  }

  NodeP parse_unary() {
    if (is_op("-") || is_op("+")) {
      bool neg = is_op("-");
      advance();
      NodeP a = parse_unary();
      need_type(a, 'N', "sign");
      if (!neg) return a;
      auto n = make(Op::kNeg, 'N', {a});
      n->width = a->width;
      n->decimals = a->decimals;
      return n;
    }
    return parse_primary();
  }

  // A constant integer argument (a literal, possibly negative).
  int constant_int(const NodeP& n, const char* what) const {
    if (n->op == Op::kNumber) return static_cast<int>(n->number);
    if (n->op == Op::kNeg && n->args[0]->op == Op::kNumber) {
      return -static_cast<int>(n->args[0]->number);
    }
    fail(std::string(what) + " needs a constant number");
  }

  const FunctionInfo* find_function(const std::string& name) const {
    for (const auto& f : kFunctions) {
      if (name == f.name) return &f;
    }
    if (name.size() >= 4) {  // xBase abbreviation to four or more letters
      for (const auto& f : kFunctions) {
        if (std::strlen(f.name) > name.size() && std::strncmp(f.name, name.c_str(), name.size()) == 0) {
          return &f;
        }
      }
    }
    return nullptr;
  }

  NodeP parse_primary() {
    if (tok_.kind == Tok::kNumber) {
      auto n = make(Op::kNumber, 'N');
      n->number = tok_.number;
      n->decimals = tok_.decimals;
      n->width = 10;
      advance();
      return n;
    }
    if (tok_.kind == Tok::kString) {
      auto n = make(Op::kText, 'C');
      n->text = tok_.text;
      n->width = static_cast<int>(n->text.size());
      advance();
      return n;
    }
    if (tok_.kind == Tok::kDotOp && (tok_.text == "T" || tok_.text == "F" || tok_.text == "Y" || tok_.text == "N")) {
      auto n = make(Op::kBool, 'L');
      n->logical = tok_.text == "T" || tok_.text == "Y";
      n->width = 1;
      advance();
      return n;
    }
    if (is_op("(")) {
      advance();
      NodeP n = parse_or();
      expect(")");
      return n;
    }
    if (tok_.kind == Tok::kIdent) {
      std::string name = tok_.text;
      advance();
      if (is_op("->")) {  // alias->field: the alias is this table
        advance();
        if (tok_.kind != Tok::kIdent) fail("field name expected after \"->\"");
        name = tok_.text;
        advance();
        return field_node(name);
      }
      if (is_op("(")) {
        advance();
        std::vector<NodeP> args;
        if (!is_op(")")) {
          args.push_back(parse_or());
          while (is_op(",")) {
            advance();
            args.push_back(parse_or());
          }
        }
        expect(")");
        return function_node(name, std::move(args));
      }
      return field_node(name);
    }
    if (tok_.kind == Tok::kEnd) fail("unexpected end");
    fail("unexpected \"" + tok_.text + "\"");
  }

  NodeP field_node(const std::string& name) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      const FieldDesc& f = fields_[i];
      if (upper_ascii(f.name) != name) continue;
      auto n = make(Op::kField, 'C');
      n->field = static_cast<int>(i);
      n->field_type = static_cast<char>(f.type >= 'a' && f.type <= 'z' ? f.type - 32 : f.type);
      n->offset = f.offset;
      n->length = f.length;
      n->width = f.length;
      n->decimals = f.decimals;
      if (f.offset < 1 || f.length < 1) fail("field " + name + " has no place in the record");
      switch (n->field_type) {
        case 'C':
          break;
        case 'N':
        case 'F':
          n->type = 'N';
          break;
        case 'I':
        case 'B':
        case 'Y':
          n->type = 'N';
          n->width = 10;
          if (n->field_type == 'Y') n->decimals = 4;
          break;
        case 'D':
          n->type = 'D';
          n->width = 8;
          break;
        case 'L':
          n->type = 'L';
          n->width = 1;
          break;
        default:
          fail("field " + name + " (type " + std::string(1, n->field_type) +
               ") cannot be used in an expression");
      }
      return n;
    }
    fail("unknown field " + name);
  }

  NodeP function_node(const std::string& name, std::vector<NodeP> args) {
    const FunctionInfo* f = find_function(name);
    if (f == nullptr) fail("unknown function " + name + "()");
    int argc = static_cast<int>(args.size());
    if (argc < f->min_args || argc > f->max_args) fail(std::string("wrong number of arguments to ") + f->name + "()");
    auto n = make(f->op, 'C', args);
    const char* fn = f->name;
    switch (f->op) {
      case Op::kStr:
      case Op::kStrZero:
        need_type(args[0], 'N', fn);
        n->a1 = argc > 1 ? constant_int(args[1], fn) : (args[0]->op == Op::kField ? args[0]->width : 10);
        n->a2 = argc > 2 ? constant_int(args[2], fn) : (argc > 1 ? 0 : (args[0]->op == Op::kField ? args[0]->decimals : 0));
        if (n->a1 < 1 || n->a1 > 255) fail(std::string(fn) + "() length out of range");
        n->width = n->a1;
        break;
      case Op::kUpper:
      case Op::kLower:
      case Op::kRTrim:
      case Op::kLTrim:
      case Op::kAllTrim:
        need_type(args[0], 'C', fn);
        n->width = args[0]->width;
        break;
      case Op::kDtos:
        need_type(args[0], 'D', fn);
        n->width = 8;
        break;
      case Op::kDtoc:
        need_type(args[0], 'D', fn);
        n->width = 10;
        break;
      case Op::kSubstr: {
        need_type(args[0], 'C', fn);
        n->a1 = constant_int(args[1], fn);
        if (n->a1 < 1) n->a1 = 1;
        n->a2 = argc > 2 ? std::max(0, constant_int(args[2], fn)) : -1;
        int rest = std::max(0, args[0]->width - n->a1 + 1);
        n->width = n->a2 < 0 ? rest : std::min(rest, n->a2);
        break;
      }
      case Op::kLeft:
      case Op::kRight:
        need_type(args[0], 'C', fn);
        n->a1 = std::max(0, constant_int(args[1], fn));
        n->width = std::min(args[0]->width, n->a1);
        break;
      case Op::kPadR:
      case Op::kPadL:
      case Op::kPadC:
        need_type(args[0], 'C', fn);
        n->a1 = std::max(0, constant_int(args[1], fn));
        if (argc > 2) {
          if (args[2]->op != Op::kText) fail(std::string(fn) + "() fill must be a constant text");
          n->text = args[2]->text;
        }
        n->width = n->a1;
        break;
      case Op::kSpace:
        n->a1 = std::max(0, constant_int(args[0], fn));
        n->width = n->a1;
        break;
      case Op::kReplicate:
        need_type(args[0], 'C', fn);
        n->a1 = std::max(0, constant_int(args[1], fn));
        n->width = args[0]->width * n->a1;
        break;
      case Op::kVal:
        need_type(args[0], 'C', fn);
        n->type = 'N';
        n->width = 10;
        break;
      case Op::kMonth:
      case Op::kYear:
      case Op::kDay:
        need_type(args[0], 'D', fn);
        n->type = 'N';
        n->width = f->op == Op::kYear ? 4 : 2;
        break;
      case Op::kAbs:
      case Op::kInt:
        need_type(args[0], 'N', fn);
        n->type = 'N';
        n->width = args[0]->width;
        n->decimals = f->op == Op::kInt ? 0 : args[0]->decimals;
        break;
      case Op::kRound:
        need_type(args[0], 'N', fn);
        n->type = 'N';
        n->a1 = constant_int(args[1], fn);
        n->width = args[0]->width;
        n->decimals = std::max(0, n->a1);
        break;
      case Op::kDeleted:
        n->type = 'L';
        n->width = 1;
        break;
      case Op::kEmpty:
        n->type = 'L';
        n->width = 1;
        break;
      case Op::kIif:
        need_type(args[0], 'L', fn);
        if (args[1]->type != args[2]->type) fail("IIF() branches of different types");
        n->type = args[1]->type;
        n->width = std::max(args[1]->width, args[2]->width);
        n->decimals = std::max(args[1]->decimals, args[2]->decimals);
        if (n->type == 'C' && args[1]->width != args[2]->width) {
          // Keys need one width: pad the shorter branch.
          for (int k = 1; k <= 2; ++k) {
            if (args[k]->width < n->width) {
              auto pad = make(Op::kPadR, 'C', {args[k]});
              pad->a1 = n->width;
              pad->width = n->width;
              n->args[k] = pad;
            }
          }
        }
        break;
      default:
        fail("unsupported function");
    }
    return n;
  }

  std::string_view src_;
  const std::vector<FieldDesc>& fields_;
  const std::string& path_;
  std::size_t pos_ = 0;
  Token tok_;
};

}  // namespace

// ---------------------------------------------------------------- Expression

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(const Expression&) = default;
Expression& Expression::operator=(const Expression&) = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Expression Expression::parse(std::string_view text, const std::vector<FieldDesc>& fields,
                             const std::string& path) {
  std::string trimmed(text);
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\0')) trimmed.pop_back();
  std::size_t b = trimmed.find_first_not_of(' ');
  trimmed = b == std::string::npos ? std::string() : trimmed.substr(b);
  if (trimmed.empty()) throw StoreError(path, "empty expression");
  Expression e;
  e.text_ = trimmed;
  Parser p(e.text_, fields, path);
  e.root_ = p.parse_all();
  return e;
}

Expression Expression::parse_condition(std::string_view text, const std::vector<FieldDesc>& fields,
                                       const std::string& path) {
  Expression e = parse(text, fields, path);
  if (e.type() != 'L') {
    throw StoreError(path, "expression \"" + e.text() + "\": a condition must be logical");
  }
  return e;
}

char Expression::type() const { return root_ ? root_->type : 'C'; }
int Expression::width() const {
  if (!root_) return 0;
  if (root_->type == 'N' || root_->type == 'D') return 8;
  return root_->width;
}

ExprValue Expression::evaluate(const RecordRef& record) const {
  ExprValue v;
  if (!root_) return v;
  v.type = root_->type;
  switch (root_->type) {
    case 'C':
      eval_text(*root_, record, v.text);
      break;
    case 'L':
      v.logical = eval_bool(*root_, record);
      break;
    default:
      v.number = eval_num(*root_, record);
  }
  return v;
}

bool Expression::is_true(const RecordRef& record) const {
  if (!root_) return true;
  return eval_bool(*root_, record);
}

// ---------------------------------------------------------------- KeyExpression

KeyExpression KeyExpression::parse(std::string_view text, const std::vector<FieldDesc>& fields,
                                   const std::string& path) {
  KeyExpression k;
  k.expr_ = Expression::parse(text, fields, path);
  switch (k.expr_.type()) {
    case 'N':
      k.type_ = KeyType::kNumeric;
      k.length_ = 8;
      break;
    case 'D':
      k.type_ = KeyType::kDate;
      k.length_ = 8;
      break;
    default:
      k.type_ = KeyType::kCharacter;
      k.length_ = std::min(k.expr_.width(), kMaxCharKeyLength);
      if (k.length_ < 1) throw StoreError(path, "key expression \"" + k.text() + "\" gives an empty key");
  }
  return k;
}

void KeyExpression::key(const RecordRef& record, std::string& out) const {
  out.clear();
  const Expression::Node& root = *expr_.root_;
  switch (type_) {
    case KeyType::kNumeric:
      out = encode_numeric_key(eval_num(root, record));
      return;
    case KeyType::kDate:
      out = encode_date_key(static_cast<std::int64_t>(eval_num(root, record)));
      return;
    case KeyType::kCharacter:
      if (root.type == 'L') {
        out.push_back(eval_bool(root, record) ? 'T' : 'F');
      } else {
        eval_text(root, record, out);
      }
      out.resize(static_cast<std::size_t>(length_), ' ');
      return;
  }
}

std::string KeyExpression::key(const RecordRef& record) const {
  std::string out;
  key(record, out);
  return out;
}

}  // namespace store
