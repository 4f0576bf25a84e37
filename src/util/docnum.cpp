#include "util/docnum.h"

#include <algorithm>
#include <array>

#include "util/codepage.h"
#include "util/decimal.h"
#include "util/picture.h"
#include "util/text.h"

namespace util {
namespace {

int digit_at(std::string_view s, std::size_t i) {
  return i < s.size() && s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : 0;
}

char char_at(std::string_view s, std::size_t i) { return i < s.size() ? s[i] : ' '; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char to_char(int d) { return static_cast<char>('0' + d); }

// "." at character 3, or "." or blank at character 4.
bool already_punctuated(std::string_view s) {
  return char_at(s, 2) == '.' || (s.size() > 3 && (s[3] == '.' || s[3] == ' '));
}

// CONTAPONTO's text, without its complaint.
std::string punctuate(std::string_view text) {
  if (trim(text).empty() || !is_digit(text[0]) || already_punctuated(text)) return std::string(text);
  std::string_view t = trim(text);
  std::string s(t);
  if (t.size() == 14)
    return s.substr(0, 2) + "." + s.substr(2, 3) + "." + s.substr(5, 3) + "/" + s.substr(8, 4) + "-" + s.substr(12, 2);
  if (t.size() == 11) return s.substr(0, 3) + "." + s.substr(3, 3) + "." + s.substr(6, 3) + "-" + s.substr(9, 2) + "    ";
  return std::string(text);
}

std::vector<std::string> wrong_digits(std::string_view kind, const std::string& shown, const std::string& digits) {
  return {u8"ATENÇÃO! "_cp + std::string(kind) + " " + shown + u8" está incorreto. "_cp,
          u8"O dígito para esse número é:"_cp + digits};
}

Check check_cpf(std::string_view number, bool silent_incomplete) {
  std::string_view base = trim(number.substr(0, std::min<std::size_t>(9, number.size())));
  if (base.size() < 9) {
    if (silent_incomplete) return Check::reject();
    return Check::reject({u8"ATENÇÃO! CPF está incompleto."_cp});
  }
  std::string digits = cpf_check_digits(number.substr(0, 9));
  if (char_at(number, 9) == digits[0] && char_at(number, 10) == digits[1]) return Check::accept();
  return Check::reject(wrong_digits("CPF", punctuate(number), digits));
}

Check check_caepf(std::string_view number) {
  std::string_view base = trim(number.substr(0, std::min<std::size_t>(12, number.size())));
  if (base.size() < 12) return Check::reject({u8"ATENÇÃO! CAEPF está incompleto."_cp});
  std::string digits = caepf_check_digits(number.substr(0, 12));
  if (char_at(number, 12) == digits[0] && char_at(number, 13) == digits[1]) return Check::accept();
  return Check::reject(wrong_digits("CAEPF", TRANSFORM(number, "@R 999.999.999.999-99"), digits));
}

// Remainder rule of the CNPJ and NIT: 0 or 1 gives 0, otherwise 11 − remainder.
int mod11_digit(int sum) {
  int r = sum % 11;
  return r < 2 ? 0 : 11 - r;
}

constexpr std::array<int, 9> kTipoPj = {1, 21, 26, 36, 37, 38, 40, 43, 98};
constexpr std::array<int, 16> kTipoPf = {9, 10, 11, 12, 13, 14, 15, 30, 31, 33, 34, 66, 76, 80, 81, 94};

std::vector<std::string> shape_message() {
  return {u8" Digite o CPF/CNPJ com número correto "_cp, u8"de dígitos, 11 para CPF e 14 para CNPJ,"_cp,
          "ou coloque os separadores no lugar correto.", "CPF=nnn.nnn.nnn-nn CNPJ=nn.nnn.nnn/nnnn-nn "};
}

// Classification and check of a text already punctuated by POEPONTO.
Check check_punctuated(std::string_view p, bool required) {
  std::string digits;
  for (char c : p)
    if (is_digit(c)) digits += c;
  digits += "  ";
  if (char_at(p, 9) == '.') return Check::accept();  // an NIT: "nnn.nnnnn.nn-n"
  if (p.size() > 3 && (p[3] == '.' || p[3] == ' ')) return VAL_CPF(digits, required, kCpf);
  if (char_at(p, 2) == '.') return VAL_CGC(digits, required);
  return Check::reject(shape_message());
}

void prepend(std::vector<Notice>& first, Check& c) {
  if (first.empty()) return;
  first.insert(first.end(), c.notices.begin(), c.notices.end());
  c.notices = std::move(first);
}

}  // namespace

std::string cpf_check_digits(std::string_view base) {
  int s1 = 0, s2 = 0;
  for (std::size_t i = 0; i < 9; ++i) {
    int d = digit_at(base, i);
    s1 += d * static_cast<int>(i + 1);
    s2 += d * static_cast<int>(9 - i);
  }
  int r1 = s1 % 11;
  if (r1 == 10) {
    r1 = 0;
    s2 += 9;
  }
  int r2 = s2 % 11;
  if (r2 == 10) r2 = 0;
  return {to_char(r1), to_char(r2)};
}

std::string cnpj_check_digits(std::string_view base) {
  static constexpr int kW1[12] = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  static constexpr int kW2[12] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3};
  int d1 = 0, d2 = 0;
  for (std::size_t i = 0; i < 12; ++i) {
    d1 += digit_at(base, i) * kW1[i];
    d2 += digit_at(base, i) * kW2[i];
  }
  int r1 = mod11_digit(d1);
  int r2 = mod11_digit(d2 + 2 * r1);
  return {to_char(r1), to_char(r2)};
}

std::string caepf_check_digits(std::string_view base) {
  // Weights 9, 8 … 2 from the right, starting again at 9.
  auto weighed = [](const std::string& digits) {
    int sum = 0, w = 9;
    for (std::size_t k = digits.size(); k-- > 0;) {
      sum += digit_at(digits, k) * w;
      w = w == 2 ? 9 : w - 1;
    }
    int r = sum % 11;
    return r == 10 ? 0 : r;
  };
  std::string digits(base.substr(0, std::min<std::size_t>(12, base.size())));
  digits.resize(12, '0');
  int r1 = weighed(digits);
  int r2 = weighed(digits + to_char(r1));
  int dv = r1 * 10 + r2 + 12;
  if (dv > 99) dv -= 100;
  return {to_char(dv / 10), to_char(dv % 10)};
}

char nit_check_digit(std::string_view base) {
  static constexpr int kW[10] = {3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  int s = 0;
  for (std::size_t i = 0; i < 10; ++i) s += digit_at(base, i) * kW[i];
  return to_char(mod11_digit(s));
}

char renavam_check_digit(std::string_view base) {
  int sum = 0, w = 2;
  for (std::size_t k = 10; k-- > 0;) {
    sum += digit_at(base, k) * w;
    w = w == 9 ? 2 : w + 1;
  }
  int t = (sum * 10) % 11;
  return to_char(t > 9 ? 0 : t);
}

Check VAL_CPF(std::string_view number, bool required, int kind) {
  if (trim(number).empty()) {
    if (kind == kCpfOrName) return Check::accept();
    return required ? Check::reject() : Check::accept();
  }
  if (kind == kCaepf) return check_caepf(number);
  return check_cpf(number, kind == kCpfOrName);
}

Check VAL_CGC(std::string_view number, bool required) {
  if (trim(number).empty()) return required ? Check::reject() : Check::accept();
  std::string_view base = rtrim(number.substr(0, std::min<std::size_t>(12, number.size())));
  if (base.size() < 12) return Check::reject({u8"ATENÇÃO! CNPJ está incompleto."_cp});
  std::string digits = cnpj_check_digits(number.substr(0, 12));
  if (char_at(number, 12) == digits[0] && char_at(number, 13) == digits[1]) return Check::accept();
  return Check::reject(wrong_digits("CNPJ", punctuate(number), digits));
}

Check CPFCGC(std::string_view text, bool required) {
  if (trim(text).empty()) return required ? Check::reject() : Check::accept();
  TextNotice p = POEPONTO(trim(text), 0);
  Check c = check_punctuated(p.text, required);
  prepend(p.notices, c);
  return c;
}

Check CPFCGC1(std::string& field, bool required) {
  if (trim(field).empty()) return required ? Check::reject() : Check::accept();
  TextNotice p = POEPONTO(trim(field), 0);
  field = p.text;
  Check c = check_punctuated(field, required);
  prepend(p.notices, c);
  return c;
}

bool TIPOPJ(int payment_code) { return std::find(kTipoPj.begin(), kTipoPj.end(), payment_code) != kTipoPj.end(); }
bool TIPOPF(int payment_code) { return std::find(kTipoPf.begin(), kTipoPf.end(), payment_code) != kTipoPf.end(); }

TextNotice POEPONTO(std::string_view text, int mode, int payment_code) {
  if (mode != 1) {
    if (already_punctuated(text)) return {std::string(text), {}};
    return CONTAPONTO(text);
  }
  std::string digits = TIRA_PONTO(text);
  if (TIPOPJ(payment_code)) {
    if (digits.size() == 11) return {std::string(11, ' '), {Notice::error({u8"Só é permitido CNPJ"_cp})}};
    return {TRANSFORM(digits, "@R 99.999.999/9999-99"), {}};
  }
  if (TIPOPF(payment_code)) {
    if (digits.size() == 14) return {std::string(14, ' '), {Notice::error({u8"Só é permitido CPF"_cp})}};
    return {TRANSFORM(digits, "@R 999.999.999-99") + "    ", {}};
  }
  return CONTAPONTO(text);
}

TextNotice CONTAPONTO(std::string_view text) {
  if (!trim(text).empty() && !is_digit(text[0]))
    return {std::string(text), {Notice::error({u8"Nesse campo só deve ser digitado números!"_cp})}};
  return {punctuate(text), {}};
}

std::string TIRA_PONTO(std::string_view text) {
  std::string digits;
  for (char c : trim(text))
    if (is_digit(c)) digits += c;
  return digits.empty() ? " " : digits;
}

Check VAL_NIT(std::string_view number) {
  if (trim(number).empty()) return Check::accept();
  std::string digits;
  for (char c : number)
    if (is_digit(c)) digits += c;
  if (digits.size() != 11) return Check::reject({u8"ATENÇÃO! O NIT está incompleto... "_cp});
  if (nit_check_digit(digits) != digits[10]) return Check::reject({u8"ATENÇÃO! NIT está incorreto. "_cp});
  return Check::accept();
}

std::string MODULO_11(std::string_view digits, char substitute) {
  std::string_view t = trim(digits);
  if (t.empty()) return "";
  const std::size_t n = t.size();
  long sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += static_cast<long>(digit_at(t, i)) * static_cast<long>(n + 1 - i);
  int d = 11 - static_cast<int>(sum % 11);
  return std::string(1, d > 9 ? substitute : to_char(d));
}

Check VENIRF(std::string_view nirf) {
  if (trim(nirf).empty()) return Check::accept();
  std::string d = MODULO_11(nirf.substr(0, std::min<std::size_t>(7, nirf.size())), '0');
  if (!d.empty() && char_at(nirf, 7) == d[0]) return Check::accept();
  return Check::reject({u8"NIRF inválido"_cp});
}

Check VERENAVAM(std::string& field) {
  if (trim(field).empty()) return Check::accept();
  Decimal value = VAL(field);
  std::string stored = STRZERO(value, 11, 0);
  if (value.sign() < 0 || stored[0] == '*') return Check::reject({u8"Renavam inválido"_cp});
  field = stored;
  if (renavam_check_digit(field) == field[10]) return Check::accept();
  return Check::reject({u8"Renavam inválido"_cp});
}

Check VENROREC(std::string& field) {
  if (trim(field).empty()) return Check::accept();
  std::string base = pad_right(field, 10);
  std::string d1 = MODULO_11(base, '0');
  std::string d2 = MODULO_11(base + d1, '0');
  std::string typed = {char_at(field, 10), char_at(field, 11)};
  if (typed == d1 + d2) return Check::accept();
  if (typed == "  ") {
    field = base + d1 + d2;
    return Check::accept();
  }
  return Check::reject({u8"Número do recibo inválido"_cp});
}

std::string DVFUNDO(std::string_view cnpj) {
  std::string digits;
  for (char c : cnpj)
    if (is_digit(c)) digits += c;
  std::string d1 = MODULO_11(digits, '1');
  std::string d2 = MODULO_11(digits + d1, '1');
  return d1 + d2;
}

Check CHECKEMAIL(std::string_view email) {
  if (trim(email).empty()) return Check::accept();
  std::string_view t = trim(email);
  auto invalid = [] { return Check::reject({"Email invalido"}); };
  std::size_t at = t.find('@');
  if (at == std::string_view::npos) return invalid();
  std::string_view local = t.substr(0, at), domain = t.substr(at + 1);
  std::size_t dot = domain.find('.');
  std::string_view host = domain.substr(0, dot);
  std::string_view suffix = dot == std::string_view::npos ? std::string_view() : domain.substr(dot + 1);
  if (local.size() <= 2 || host.size() <= 2 || suffix.size() <= 1) return invalid();
  static constexpr std::string_view kForbidden = " *&%$#@!^~+=?|\\/<>,;";
  for (std::string_view part : {local, host, suffix})
    if (part.find_first_of(kForbidden) != std::string_view::npos) return invalid();
  return Check::accept();
}

}  // namespace util
