// Key and condition expressions evaluated on a record of a small layout.
#include "store/key_expression.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "util/codepage.h"

namespace store {
namespace {

struct RecordFixture {
  std::vector<FieldDesc> fields;
  std::string data;

  RecordFixture() {
    int off = 1;
    auto add = [&](const char* name, char type, int len, int dec = 0) {
      fields.push_back(FieldDesc{name, type, len, dec, off});
      off += len;
    };
    add("CPF", 'C', 11);
    add("I7_0", 'N', 4);
    add("VALOR", 'N', 15, 2);
    add("DT_LC", 'D', 8);
    add("NOMECONTR", 'C', 20);
    add("ATV_BRASIL", 'C', 1);
    add("IMPRE", 'L', 1);
    add("VAZIA", 'D', 8);
    add("OBS", 'M', 10);
    data.assign(static_cast<std::size_t>(off), ' ');
  }
  void set(const char* name, std::string_view value) {
    for (const FieldDesc& f : fields) {
      if (f.name == name) {
        std::string v(value);
        v.resize(static_cast<std::size_t>(f.length), ' ');
        data.replace(static_cast<std::size_t>(f.offset), v.size(), v);
      }
    }
  }
  RecordRef ref() const { return RecordRef{&fields, data.data(), data.size()}; }
};

class KeyExpressionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    r.set("CPF", "12345678901");
    r.set("I7_0", "   7");
    r.set("VALOR", "       -1234.56");
    r.set("DT_LC", "20220315");
    r.set("NOMECONTR", u8"josé da silva"_cp);
    r.set("ATV_BRASIL", "S");
    r.set("IMPRE", "T");
  }
  RecordFixture r;
};

TEST_F(KeyExpressionTest, CharacterKeysOfTheTableCatalogue) {
  struct Case {
    std::string expr;
    std::string key;
  };
  const Case cases[] = {
      {"CPF", "12345678901"},
      {"CPF+str(I7_0,4)", "12345678901   7"},
      {"CPF+STR(I7_0,4)", "12345678901   7"},
      {"CPF+ATV_BRASIL+DTOS(DT_LC)", "12345678901S20220315"},
      {"UPPER(NOMECONTR)", u8"JOSÉ DA SILVA       "_cp},
      {"upper(nomecontr)", u8"JOSÉ DA SILVA       "_cp},
      {"DTOC(DT_LC)", "15/03/2022"},
      {"CPF+DTOC(VAZIA)", "12345678901  /  /    "},
      {"DTOS(VAZIA)+CPF", "        12345678901"},
      {"STR(VALOR,10,1)", "   -1234.6"},
      {"STR(VALOR)", "       -1234.56"},
      {"STR(I7_0,2)+STRZERO(I7_0,3)", " 7007"},
      {"STR(123456,3)", "***"},
      {"SUBSTR(CPF,4,3)+LEFT(CPF,2)+RIGHT(CPF,2)", "4561201"},
      {"SUBS(CPF,10)", "01"},
      {"TRIM(ATV_BRASIL)+ALLTRIM(\"  x  \")", "Sx    "},
      {"NOMECONTR-ATV_BRASIL", u8"josé da silvaS       "_cp},
      {u8"LOWER(\"ÀÉ\")+PADL('ab',4,'*')+PADR(\"c\",2)"_cp, u8"àé**abc "_cp},
      {"IIF(IMPRE,'sim','n')", "sim"},
      {"IMPRE", "T"},
      {"A->CPF", "12345678901"},
      {"[a]+'b'+\"c\"", "abc"},
      {"STR(MONTH(DT_LC),2)+STR(YEAR(DT_LC),4)+STR(DAY(DT_LC),2)", " 3202215"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expr);
    KeyExpression k = KeyExpression::parse(c.expr, r.fields, "T.cdx");
    EXPECT_EQ(k.type(), KeyType::kCharacter);
    EXPECT_EQ(k.key(r.ref()), c.key);
    EXPECT_EQ(k.length(), static_cast<int>(c.key.size()));
  }
}

TEST_F(KeyExpressionTest, NumericAndDateKeysAreSortableBytes) {
  KeyExpression n = KeyExpression::parse("I7_0", r.fields);
  EXPECT_EQ(n.type(), KeyType::kNumeric);
  EXPECT_EQ(n.length(), 8);
  EXPECT_EQ(n.key(r.ref()), encode_numeric_key(7));
  EXPECT_EQ(KeyExpression::parse("VALOR*2", r.fields).key(r.ref()), encode_numeric_key(-2469.12));
  EXPECT_EQ(KeyExpression::parse("VAL(CPF)", r.fields).key(r.ref()), encode_numeric_key(12345678901.0));

  KeyExpression d = KeyExpression::parse("DT_LC", r.fields);
  EXPECT_EQ(d.type(), KeyType::kDate);
  EXPECT_EQ(d.key(r.ref()), encode_date_key(julian_day(2022, 3, 15)));
  EXPECT_EQ(KeyExpression::parse("DT_LC+20", r.fields).key(r.ref()), encode_date_key(julian_day(2022, 4, 4)));
  EXPECT_EQ(KeyExpression::parse("VAZIA", r.fields).key(r.ref()), encode_date_key(0));
  // Fixed bytes of the format: 1.0 and -1.0.
  EXPECT_EQ(encode_numeric_key(1.0), std::string("\xBF\xF0\0\0\0\0\0\0", 8));
  EXPECT_EQ(encode_numeric_key(-1.0), std::string("\x40\x0F\xFF\xFF\xFF\xFF\xFF\xFF", 8));
  EXPECT_EQ(encode_numeric_key(-0.0), encode_numeric_key(0.0));

  // Byte order equals value order, negatives, zero and fractions included.
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> dist(-1e6, 1e6);
  std::vector<double> values = {0.0, -0.0, 1e-300, -1e-300, 1e300, -1e300, 0.5, -0.5, 1.0, -1.0};
  for (int i = 0; i < 2000; ++i) values.push_back(i % 3 ? dist(rng) : std::round(dist(rng)));
  std::vector<std::pair<std::string, double>> encoded;
  for (double v : values) encoded.emplace_back(encode_numeric_key(v), v);
  std::sort(encoded.begin(), encoded.end());
  for (std::size_t i = 1; i < encoded.size(); ++i) ASSERT_LE(encoded[i - 1].second, encoded[i].second);
  for (double v : values) EXPECT_EQ(decode_numeric_key(encode_numeric_key(v)), v == 0 ? 0.0 : v);
}

TEST(JulianDay, KnownDaysAndRoundTrip) {
  EXPECT_EQ(julian_day(2000, 1, 1), 2451545);
  EXPECT_EQ(julian_day(1970, 1, 1), 2440588);
  EXPECT_EQ(julian_from_dtos("20230531"), julian_day(2023, 5, 31));
  EXPECT_EQ(julian_from_dtos("        "), 0);
  EXPECT_EQ(julian_from_dtos(""), 0);
  EXPECT_EQ(julian_from_dtos("20230230"), -1);
  EXPECT_EQ(julian_from_dtos("2023x101"), -1);
  EXPECT_EQ(julian_from_dtos("20000229"), julian_day(2000, 2, 29));
  EXPECT_EQ(julian_from_dtos("19000229"), -1);
  for (std::int64_t jd = julian_day(1899, 12, 1); jd < julian_day(2101, 2, 1); jd += 17) {
    ASSERT_EQ(julian_from_dtos(dtos_from_julian(jd)), jd);
  }
  EXPECT_EQ(dtos_from_julian(0), "        ");
}

TEST_F(KeyExpressionTest, Conditions) {
  struct Case {
    const char* expr;
    bool value;
  };
  const Case cases[] = {
      {"!DELETED()", true},
      {".NOT. DELETED()", true},
      {"I7_0 > 5 .AND. ATV_BRASIL = 'S'", true},
      {"I7_0 >= 8 .OR. VALOR < 0", true},
      {"CPF = '123'", true},        // prefix comparison of xBase
      {"CPF == '123'", false},      // exact comparison
      {"CPF <> '123'", false},
      {"'456' $ CPF", true},
      {"DT_LC > VAZIA", true},
      {"EMPTY(VAZIA) .AND. !EMPTY(CPF)", true},
      {"IMPRE", true},
      {"DT_LC - VAZIA > 0 .AND. (I7_0 + 1) * 2 = 16", true},
      {".F. .OR. (I7_0 % 4 = 3)", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expr);
    Expression e = Expression::parse_condition(c.expr, r.fields, "T.cdx");
    EXPECT_EQ(e.is_true(r.ref()), c.value);
  }
  r.data[0] = '*';
  EXPECT_FALSE(Expression::parse_condition("!DELETED()", r.fields).is_true(r.ref()));
  EXPECT_TRUE(Expression().is_true(r.ref()));  // no condition
}

TEST_F(KeyExpressionTest, BadExpressionsNameTheFile) {
  const char* bad[] = {
      "NAOEXISTE",          // unknown field
      "CPF+",               // incomplete
      "CPF+I7_0",           // text plus number
      "STR(CPF,4)",         // STR of text
      "STR(I7_0,I7_0)",     // length not constant
      "FOO(CPF)",           // unknown function
      "UPPER(CPF",          // missing parenthesis
      "'abc",               // open quote
      "OBS",                // memo field
      "CPF @ 1",            // stray character
      "",                   // empty
      "IIF(CPF,1,2)",       // condition not logical
      "DTOS(CPF)",
      "SUBSTR(CPF)",        // too few arguments
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    try {
      KeyExpression::parse(text, r.fields, "/dados/IMP0423.cdx");
      ADD_FAILURE() << "accepted";
    } catch (const StoreError& e) {
      EXPECT_EQ(e.path(), "/dados/IMP0423.cdx");
      EXPECT_NE(std::string(e.what()).find("/dados/IMP0423.cdx"), std::string::npos);
    }
  }
  EXPECT_THROW(Expression::parse_condition("CPF", r.fields, "x"), StoreError);
}

TEST_F(KeyExpressionTest, LongCharacterKeysAreCutToTheLimit) {
  std::vector<FieldDesc> fields{{"DESCRICAO", 'C', 512, 0, 1}};
  std::string data(513, ' ');
  for (int i = 0; i < 512; ++i) data[static_cast<std::size_t>(i) + 1] = static_cast<char>('a' + i % 26);
  KeyExpression k = KeyExpression::parse("upper(DESCRICAO)", fields);
  EXPECT_EQ(k.length(), kMaxCharKeyLength);
  std::string key = k.key(RecordRef{&fields, data.data(), data.size()});
  ASSERT_EQ(key.size(), 240u);
  EXPECT_EQ(key.substr(0, 3), "ABC");
}

}  // namespace
}  // namespace store
