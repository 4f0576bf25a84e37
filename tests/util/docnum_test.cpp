#include "util/docnum.h"

#include <gtest/gtest.h>

#include "util/codepage.h"

using util::Check;
using util::Notice;
using Lines = std::vector<std::string>;

namespace {

struct SampleRow {
  std::string_view kind, base, digits;
};
constexpr SampleRow kSample[] = {
#include "docnum_sample.inc"
};

// The lines of the only notice of a check, with mode 8.
Lines message(const Check& c) {
  if (c.notices.size() != 1) return {"<" + std::to_string(c.notices.size()) + " notices>"};
  EXPECT_EQ(c.notices[0].mode, util::kNoticeError);
  return c.notices[0].lines;
}

Lines wrong(const std::string& kind, const std::string& shown, const std::string& digits) {
  return {u8"ATENÇÃO! "_cp + kind + " " + shown + u8" está incorreto. "_cp, u8"O dígito para esse número é:"_cp + digits};
}

std::string other_digit(char c) { return std::string(1, c == '9' ? '0' : static_cast<char>(c + 1)); }

}  // namespace

// Every sampled number is accepted with its check digits and rejected with any other last
// digit, the message naming the right digits.
TEST(DocNum, AgreesWithAnIndependentValidator) {
  int rows = 0;
  for (const SampleRow& r : kSample) {
    std::string base(r.base), digits(r.digits);
    std::string good = base + digits;
    std::string bad = good.substr(0, good.size() - 1) + other_digit(good.back());
    ++rows;
    if (r.kind == "cpf") {
      EXPECT_EQ(util::cpf_check_digits(base), digits) << base;
      EXPECT_TRUE(util::VAL_CPF(good, true).ok) << good;
      Check c = util::VAL_CPF(bad, true);
      EXPECT_FALSE(c.ok);
      EXPECT_EQ(message(c), wrong("CPF", util::CONTAPONTO(bad).text, digits));
      EXPECT_TRUE(util::CPFCGC(good, true).ok) << good;
    } else if (r.kind == "cnpj") {
      EXPECT_EQ(util::cnpj_check_digits(base), digits) << base;
      EXPECT_TRUE(util::VAL_CGC(good, true).ok) << good;
      Check c = util::VAL_CGC(bad, true);
      EXPECT_FALSE(c.ok);
      EXPECT_EQ(message(c), wrong("CNPJ", util::CONTAPONTO(bad).text, digits));
      EXPECT_TRUE(util::CPFCGC(good, true).ok) << good;
    } else if (r.kind == "caepf") {
      EXPECT_EQ(util::caepf_check_digits(base), digits) << base;
      EXPECT_TRUE(util::VAL_CPF(good, true, util::kCaepf).ok) << good;
      EXPECT_FALSE(util::VAL_CPF(bad, true, util::kCaepf).ok) << bad;
    } else if (r.kind == "nit") {
      EXPECT_EQ(std::string(1, util::nit_check_digit(base)), digits) << base;
      EXPECT_TRUE(util::VAL_NIT(good).ok) << good;
      EXPECT_FALSE(util::VAL_NIT(bad).ok) << bad;
    } else if (r.kind == "renavam") {
      EXPECT_EQ(std::string(1, util::renavam_check_digit(base)), digits) << base;
      std::string field = good;
      EXPECT_TRUE(util::VERENAVAM(field).ok) << good;
      field = bad;
      EXPECT_FALSE(util::VERENAVAM(field).ok) << bad;
    } else {
      ADD_FAILURE() << "unknown kind " << r.kind;
    }
  }
  EXPECT_EQ(rows, 120);
}

TEST(ValCpf, CpfMessagesAndRepeatedDigits) {
  EXPECT_TRUE(util::VAL_CPF("12345678909", true).ok);
  EXPECT_TRUE(util::VAL_CPF("00000000000", true).ok);  // no list of forbidden numbers
  EXPECT_TRUE(util::VAL_CPF("11111111111", true).ok);
  for (char d = '0'; d <= '9'; ++d)  // every repeated-digit number agrees with its own digits
    EXPECT_TRUE(util::VAL_CPF(std::string(11, d), true).ok) << d;
  Check c = util::VAL_CPF("12345678900", true);
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(message(c), (Lines{u8"ATENÇÃO! CPF 123.456.789-00     está incorreto. "_cp, u8"O dígito para esse número é:09"_cp}));
  EXPECT_EQ(message(util::VAL_CPF("12345678", true)), Lines{u8"ATENÇÃO! CPF está incompleto."_cp});
  EXPECT_EQ(message(util::VAL_CPF(" 12345678909", true)), Lines{u8"ATENÇÃO! CPF está incompleto."_cp});
  EXPECT_EQ(message(util::VAL_CPF("123456789", true)),
            wrong("CPF", "123456789", "09"));  // check digits missing: named
  // Empty: rejected silently when required, accepted otherwise.
  EXPECT_FALSE(util::VAL_CPF("           ", true).ok);
  EXPECT_TRUE(util::VAL_CPF("           ", true).notices.empty());
  EXPECT_TRUE(util::VAL_CPF("", false).ok);
}

TEST(ValCpf, CpfOrName) {
  EXPECT_TRUE(util::VAL_CPF("", true, util::kCpfOrName).ok);  // a name may be typed instead
  Check c = util::VAL_CPF("1234", true, util::kCpfOrName);
  EXPECT_FALSE(c.ok);
  EXPECT_TRUE(c.notices.empty());
  EXPECT_TRUE(util::VAL_CPF("12345678909", true, util::kCpfOrName).ok);
  EXPECT_EQ(message(util::VAL_CPF("12345678901", true, util::kCpfOrName)),
            wrong("CPF", "123.456.789-01    ", "09"));
}

TEST(ValCpf, Caepf) {
  EXPECT_TRUE(util::VAL_CPF("00000000000012", true, util::kCaepf).ok);  // twelve zeros: 12
  EXPECT_TRUE(util::VAL_CPF("41142260000101", true, util::kCaepf).ok);
  EXPECT_EQ(message(util::VAL_CPF("41142260000102", true, util::kCaepf)),
            wrong("CAEPF", "411.422.600.001-02", "01"));
  EXPECT_EQ(message(util::VAL_CPF("41142260", true, util::kCaepf)), Lines{u8"ATENÇÃO! CAEPF está incompleto."_cp});
  EXPECT_FALSE(util::VAL_CPF("", true, util::kCaepf).ok);
}

TEST(ValCgc, CnpjMessages) {
  EXPECT_TRUE(util::VAL_CGC("11222333000181", true).ok);
  EXPECT_TRUE(util::VAL_CGC("00000000000000", true).ok);
  EXPECT_EQ(message(util::VAL_CGC("11222333000180", true)), wrong("CNPJ", "11.222.333/0001-80", "81"));
  EXPECT_EQ(message(util::VAL_CGC("1122233300", true)), Lines{u8"ATENÇÃO! CNPJ está incompleto."_cp});
  EXPECT_EQ(message(util::VAL_CGC("11222333 0001", true)), wrong("CNPJ", "11222333 0001", "09"));  // a blank weighs as 0
  EXPECT_FALSE(util::VAL_CGC("", true).ok);
  EXPECT_TRUE(util::VAL_CGC("", true).notices.empty());
  EXPECT_TRUE(util::VAL_CGC("", false).ok);
}

TEST(CpfCgc, ClassifiesCombinedFieldsByShape) {
  const Lines shape = {u8" Digite o CPF/CNPJ com número correto "_cp, u8"de dígitos, 11 para CPF e 14 para CNPJ,"_cp,
                       "ou coloque os separadores no lugar correto.", "CPF=nnn.nnn.nnn-nn CNPJ=nn.nnn.nnn/nnnn-nn "};
  EXPECT_TRUE(util::CPFCGC("12345678909", true).ok);
  EXPECT_TRUE(util::CPFCGC("123.456.789-09    ", true).ok);
  EXPECT_TRUE(util::CPFCGC("123.45678909", true).ok);  // "." at 4, no further punctuation: a CPF
  EXPECT_TRUE(util::CPFCGC("11.222.333/0001-81", true).ok);
  EXPECT_TRUE(util::CPFCGC("  11222333000181", true).ok);
  EXPECT_TRUE(util::CPFCGC("123.45678.90-0", true).ok);  // an NIT, accepted without a digit test
  EXPECT_EQ(message(util::CPFCGC("1234567890123", true)), shape);
  EXPECT_EQ(message(util::CPFCGC("123456789", true)), shape);
  // Missing check digits read as blanks and are named.
  EXPECT_EQ(message(util::CPFCGC("123.456.789", true)), wrong("CPF", "123456789  ", "09"));
  EXPECT_EQ(message(util::CPFCGC("11.222.333/0001-80", true)), wrong("CNPJ", "11.222.333/0001-80", "81"));
  EXPECT_FALSE(util::CPFCGC("", true).ok);
  EXPECT_TRUE(util::CPFCGC("", true).notices.empty());
  EXPECT_TRUE(util::CPFCGC("   ", false).ok);
  // A text that does not start with a digit: the punctuation's complaint, then the shape.
  Check c = util::CPFCGC("abcdef", true);
  EXPECT_FALSE(c.ok);
  ASSERT_EQ(c.notices.size(), 2u);
  EXPECT_EQ(c.notices[0].lines, Lines{u8"Nesse campo só deve ser digitado números!"_cp});
  EXPECT_EQ(c.notices[1].lines, shape);
}

TEST(CpfCgc, FieldVersionWritesThePunctuatedText) {
  std::string field = "12345678909";
  EXPECT_TRUE(util::CPFCGC1(field, true).ok);
  EXPECT_EQ(field, "123.456.789-09    ");
  field = "11222333000180";
  EXPECT_FALSE(util::CPFCGC1(field, true).ok);
  EXPECT_EQ(field, "11.222.333/0001-80");
  field = "   ";
  EXPECT_FALSE(util::CPFCGC1(field, true).ok);
  EXPECT_EQ(field, "   ");
}

TEST(Punctuation, ContaPontoTiraPontoPoePonto) {
  EXPECT_EQ(util::CONTAPONTO("").text, "");
  EXPECT_EQ(util::CONTAPONTO("12345678909").text, "123.456.789-09    ");
  EXPECT_EQ(util::CONTAPONTO("11222333000181").text, "11.222.333/0001-81");
  EXPECT_EQ(util::CONTAPONTO("11222333000181  ").text, "11.222.333/0001-81");
  EXPECT_EQ(util::CONTAPONTO("123").text, "123");
  EXPECT_EQ(util::CONTAPONTO("123.456.789-09").text, "123.456.789-09");
  EXPECT_EQ(util::CONTAPONTO("123 45678909").text, "123 45678909");
  util::TextNotice t = util::CONTAPONTO("abc");
  EXPECT_EQ(t.text, "abc");
  ASSERT_EQ(t.notices.size(), 1u);
  EXPECT_EQ(t.notices[0].lines, Lines{u8"Nesse campo só deve ser digitado números!"_cp});
  EXPECT_TRUE(util::CONTAPONTO("12345678909").notices.empty());

  EXPECT_EQ(util::TIRA_PONTO("123.456.789-09    "), "12345678909");
  EXPECT_EQ(util::TIRA_PONTO(" 11.222.333/0001-81"), "11222333000181");
  EXPECT_EQ(util::TIRA_PONTO("abc"), " ");

  EXPECT_TRUE(util::TIPOPJ(1) && util::TIPOPJ(98) && util::TIPOPJ(43));
  EXPECT_FALSE(util::TIPOPJ(9) || util::TIPOPJ(2));
  EXPECT_TRUE(util::TIPOPF(9) && util::TIPOPF(94) && util::TIPOPF(66));
  EXPECT_FALSE(util::TIPOPF(1) || util::TIPOPF(99));

  struct Case {
    const char* text;
    int mode, code;
    std::string result;
    Lines message;
  } cases[] = {
      {"12345678909", 1, 1, std::string(11, ' '), {u8"Só é permitido CNPJ"_cp}},
      {"11222333000181", 1, 1, "11.222.333/0001-81", {}},
      {"112223330001", 1, 26, "11.222.333/0001-  ", {}},
      {"11222333000181", 1, 9, std::string(14, ' '), {u8"Só é permitido CPF"_cp}},
      {"123.456.789-09", 1, 9, "123.456.789-09    ", {}},
      {"12345678909", 1, 50, "123.456.789-09    ", {}},
      {"123.456.789-09", 0, 1, "123.456.789-09", {}},
      {"12345678909", 0, 1, "123.456.789-09    ", {}},
  };
  for (const Case& k : cases) {
    util::TextNotice r = util::POEPONTO(k.text, k.mode, k.code);
    EXPECT_EQ(r.text, k.result) << k.text << " mode " << k.mode << " code " << k.code;
    if (k.message.empty()) {
      EXPECT_TRUE(r.notices.empty());
    } else {
      ASSERT_EQ(r.notices.size(), 1u);
      EXPECT_EQ(r.notices[0].lines, k.message);
    }
  }
}

TEST(ValNit, Messages) {
  EXPECT_TRUE(util::VAL_NIT("").ok);
  EXPECT_TRUE(util::VAL_NIT("120.12345.67-9").ok == (util::nit_check_digit("1201234567") == '9'));
  EXPECT_EQ(message(util::VAL_NIT("123.45678.90")), Lines{u8"ATENÇÃO! O NIT está incompleto... "_cp});
  EXPECT_EQ(message(util::VAL_NIT("1234567890123")), Lines{u8"ATENÇÃO! O NIT está incompleto... "_cp});
  std::string good = std::string("1201234567") + util::nit_check_digit("1201234567");
  EXPECT_TRUE(util::VAL_NIT(good).ok);
  std::string bad = good.substr(0, 10) + other_digit(good[10]);
  EXPECT_EQ(message(util::VAL_NIT(bad)), Lines{u8"ATENÇÃO! NIT está incorreto. "_cp});
}

TEST(Modulo11, NirfReceiptAndFundDigits) {
  EXPECT_EQ(util::MODULO_11("1234567890", '0'), "9");
  EXPECT_EQ(util::MODULO_11("12345678909", '0'), "1");
  EXPECT_EQ(util::MODULO_11("", '0'), "");
  EXPECT_EQ(util::MODULO_11("0000000", '7'), "7");  // 11 is replaced by the substitute

  EXPECT_TRUE(util::VENIRF("12345679").ok);
  EXPECT_TRUE(util::VENIRF("00000000").ok);
  EXPECT_TRUE(util::VENIRF("").ok);
  EXPECT_EQ(message(util::VENIRF("12345670")), Lines{u8"NIRF inválido"_cp});
  EXPECT_EQ(message(util::VENIRF("1234567")), Lines{u8"NIRF inválido"_cp});

  std::string field = "1234567890  ";
  EXPECT_TRUE(util::VENROREC(field).ok);  // blank check digits are filled in
  EXPECT_EQ(field, "123456789091");
  EXPECT_TRUE(util::VENROREC(field).ok);
  field = "123456789092";
  EXPECT_EQ(message(util::VENROREC(field)), Lines{u8"Número do recibo inválido"_cp});
  EXPECT_EQ(field, "123456789092");
  field = "";
  EXPECT_TRUE(util::VENROREC(field).ok);

  EXPECT_EQ(util::DVFUNDO("11.222.333/0001-81"), "89");
  EXPECT_EQ(util::DVFUNDO("13927819000140"), "17");
  EXPECT_EQ(util::DVFUNDO("00000000000000"), "19");
}

TEST(Renavam, LeadingZerosAndCheckDigit) {
  std::string field = "1234567897";  // ten digits typed: stored with a leading zero
  EXPECT_TRUE(util::VERENAVAM(field).ok);
  EXPECT_EQ(field, "01234567897");
  field = "1234567890";
  EXPECT_EQ(message(util::VERENAVAM(field)), Lines{u8"Renavam inválido"_cp});
  EXPECT_EQ(field, "01234567890");
  field = "123456789012";  // too long for the field: rejected, left as typed
  EXPECT_FALSE(util::VERENAVAM(field).ok);
  EXPECT_EQ(field, "123456789012");
  field = "   ";
  EXPECT_TRUE(util::VERENAVAM(field).ok);
  EXPECT_EQ(field, "   ");
}

TEST(CheckEmail, Shapes) {
  struct Case {
    const char* address;
    bool ok;
  } cases[] = {
      {"abc@def.gh", true},       {"abc@def.g", false},        {"abc@de.gh", false},
      {"ab@def.gh", false},       {"abc@def.gh@x", false},     {"abc@d@f.gh", false},
      {"a.b_c-d@mail.com.br", true}, {"abc@defgh", false},     {"abc def@x.com", false},
      {"", true},                 {"  joao@mail.com  ", true}, {"joao@mail..com", true},
      {"jo+ao@mail.com", false},  {"joao@mail.com;", false},   {"joaomail.com", false},
  };
  for (const Case& c : cases) {
    Check r = util::CHECKEMAIL(c.address);
    EXPECT_EQ(r.ok, c.ok) << c.address;
    if (!c.ok) {
      EXPECT_EQ(message(r), Lines{"Email invalido"}) << c.address;
    }
  }
}
