#pragma once
// Key and condition expressions of the index files, evaluated on one record.
//
// The language is the xBase subset that index keys and FOR conditions use: field names
// (an alias prefix "X->" is ignored), literals ('text', "text", [text], numbers, .T./.F.),
// `+` and `-` (text concatenation, `-` moving the left side's trailing blanks to the end;
// numbers; a date plus or minus days; date minus date), `*` `/`, comparisons
// (= == != <> # < <= > >= $), .AND. .OR. .NOT. !, and the functions
//   STR(n[,len[,dec]])  STRZERO(n[,len[,dec]])  UPPER(c)  LOWER(c)  DTOS(d)  DTOC(d)
//   SUBSTR(c,start[,len])  LEFT(c,n)  RIGHT(c,n)  TRIM(c) RTRIM(c) LTRIM(c) ALLTRIM(c)
//   PADR(c,n) PADL(c,n) PADC(c,n)  VAL(c)  MONTH(d) YEAR(d) DAY(d)  DELETED()  EMPTY(x)
//   IIF(l,a,b)  ABS(n)  INT(n)  ROUND(n,dec)  SPACE(n)  REPLICATE(c,n)
// Names are case-insensitive and functions may be abbreviated to their first four
// letters, as xBase allows. Text is code page 850; UPPER/LOWER change accented letters too.
// DTOC gives "dd/mm/yyyy" (an empty date "  /  /    "), the date format of the system.
//
// Every character result has a width fixed at parse time (a field's width, the literal
// length of STR, SUBSTR ...), which becomes the key length of a character index;
// variable-length results (TRIM) are blank-padded to it in keys.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/field.h"

namespace store {

// Type of an index key. Logical expressions index as one character "T"/"F".
enum class KeyType : char { kCharacter = 'C', kNumeric = 'N', kDate = 'D' };

// Longest character key of a compact index; longer keys are cut to it.
constexpr int kMaxCharKeyLength = 240;

// A value computed by an expression.
struct ExprValue {
  char type = 'C';       // C, N, D, L
  std::string text;      // C
  double number = 0;     // N; D: Julian day number, 0 for an empty date
  bool logical = false;  // L
};

class Expression {
 public:
  // Throws StoreError naming `path` (the index or table the expression belongs to) for a
  // syntax error, an unknown field or function, or arguments of the wrong type.
  static Expression parse(std::string_view text, const std::vector<FieldDesc>& fields,
                          const std::string& path = {});
  // As parse, and the result must be logical (a FOR condition).
  static Expression parse_condition(std::string_view text, const std::vector<FieldDesc>& fields,
                                    const std::string& path = {});

  Expression();
  ~Expression();
  Expression(const Expression&);
  Expression& operator=(const Expression&);
  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;

  bool empty() const { return root_ == nullptr; }
  const std::string& text() const { return text_; }
  char type() const;  // C, N, D, L
  int width() const;  // C: width of the result; N, D: 8; L: 1

  ExprValue evaluate(const RecordRef& record) const;
  // A logical expression's value; an empty expression is true (no FOR condition).
  bool is_true(const RecordRef& record) const;

  struct Node;

 private:
  friend class KeyExpression;
  std::string text_;
  std::shared_ptr<const Node> root_;
};

// The key expression of an index tag.
class KeyExpression {
 public:
  static KeyExpression parse(std::string_view text, const std::vector<FieldDesc>& fields,
                             const std::string& path = {});
  KeyExpression() = default;

  const std::string& text() const { return expr_.text(); }
  KeyType type() const { return type_; }
  int length() const { return length_; }  // bytes of a key: C 1..240, N and D 8
  const Expression& expression() const { return expr_; }

  // The key of a record as the index stores it: character keys blank-padded (or cut) to
  // length(), numbers and dates as 8 sortable bytes.
  std::string key(const RecordRef& record) const;
  void key(const RecordRef& record, std::string& out) const;  // reuses out's buffer

 private:
  Expression expr_;
  KeyType type_ = KeyType::kCharacter;
  int length_ = 0;
};

// Sortable key bytes (byte order = value order) for numeric and date keys: the IEEE
// double big-endian, sign bit set for values >= 0, all bits inverted for negatives.
std::string encode_numeric_key(double value);
double decode_numeric_key(std::string_view key8);
std::string encode_date_key(std::int64_t julian_day);  // 0 = empty date
// Character key: blank-padded or cut to `length`.
std::string encode_character_key(std::string_view text, int length);

// Julian day numbers (2451545 = 2000-01-01) and "YYYYMMDD" texts. An empty or blank text
// gives 0; an impossible date gives -1. 0 gives "        ".
std::int64_t julian_day(int year, int month, int day);
std::int64_t julian_from_dtos(std::string_view yyyymmdd);
std::string dtos_from_julian(std::int64_t julian_day);

}  // namespace store
