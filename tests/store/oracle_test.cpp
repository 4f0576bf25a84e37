// Tables written here read the same in independent DBF readers (python3-dbf, dbfread,
// Perl XBase), and tables those write read the same here.
#include <gtest/gtest.h>

#include "store/table.h"
#include "store_test_util.h"
#include "util/codepage.h"

using store::OpenMode;
using store::Table;
using store::TableFormat;
using store_test::field;
using store_test::run;
using store_test::TempDir;
using store_test::write_file;

namespace {

const std::string kLongMemo = [] {
  std::string s;
  for (int i = 0; i < 300; ++i) s += "linha " + std::to_string(i) + ";";
  return s;
}();

// Three records, the second deleted, with code page 850 text.
void write_sample(const std::string& path, TableFormat format) {
  Table::create(path, {field("CPF", 'C', 11), field("NOME", 'C', 30), field("VALOR", 'N', 15, 2),
                       field("QTD", 'N', 4), field("DATA", 'D'), field("ATIVO", 'L'), field("OBS", 'M')},
                format);
  Table t(path, OpenMode::kExclusive);
  t.append();
  t.put_text("CPF", "12345678909");
  t.put_text("NOME", u8"JOÃO DA CONCEIÇÃO"_cp);
  t.put_decimal("VALOR", "1234567.89");
  t.put_number("QTD", 7);
  t.put_date("DATA", "20230531");
  t.put_logical("ATIVO", true);
  t.put_memo("OBS", u8"Obs: ação\r\nsegunda linha"_cp);
  t.append();
  t.put_text("CPF", "00000000191");
  t.put_text("NOME", "MARIA");
  t.put_decimal("VALOR", "-0.5");
  t.put_logical("ATIVO", false);
  t.delete_record();
  t.append();
  t.put_text("CPF", "98765432100");
  t.put_text("NOME", u8"ZÉ"_cp);
  t.put_decimal("VALOR", "0.10");
  t.put_number("QTD", 1234);
  t.put_date("DATA", "19991231");
  t.put_logical("ATIVO", false);
  t.put_memo("OBS", kLongMemo);
  t.close();
}

const char* kPythonDbf = R"(
import dbf, json, sys
t = dbf.Table(sys.argv[1]); t.open(dbf.READ_ONLY)
for r in t:
    print(json.dumps([dbf.is_deleted(r), r.cpf.rstrip(), r.nome.rstrip(), r.valor, r.qtd,
                      r.data.isoformat() if r.data else None, r.ativo, r.obs], ensure_ascii=False))
)";

const char* kDbfread = R"(
from dbfread import DBF
import json, sys
t = DBF(sys.argv[1], encoding='cp850', char_decode_errors='strict')
for deleted, rows in ((False, t), (True, t.deleted)):
    for r in rows:
        print(json.dumps([deleted, r['CPF'], r['NOME'], r['VALOR'], r['QTD'],
                          r['DATA'].isoformat() if r['DATA'] else None, r['ATIVO'], r['OBS']],
                         ensure_ascii=False))
)";

const char* kPerl = R"(
use XBase;
my $t = XBase->new($ARGV[0]) or die XBase->errstr;
for my $i (0 .. $t->last_record) {
  my @r = $t->get_record($i);
  for (@r) { $_ = 'undef' unless defined $_; s/\r/\\r/g; s/\n/\\n/g; s/ +$//; }
  print join('|', @r), "\n";
}
)";

std::string script(const TempDir& dir, const char* name, const char* text) {
  std::string p = dir / name;
  write_file(p, text);
  return p;
}

}  // namespace

TEST(Oracle, TablesWrittenHereReadTheSameInPythonReaders) {
  for (TableFormat format : {TableFormat::kFoxPro, TableFormat::kDBase3}) {
    TempDir dir;
    std::string path = dir / "IMP0123.DBF";
    write_sample(path, format);
    const std::string memo_json = "\"" + kLongMemo + "\"";
    std::string expected_live =
        "[false, \"12345678909\", \"JOÃO DA CONCEIÇÃO\", 1234567.89, 7, \"2023-05-31\", true, "
        "\"Obs: ação\\r\\nsegunda linha\"]\n";
    // A number never written stays blank, which readers take as no value.
    std::string expected_deleted = "[true, \"00000000191\", \"MARIA\", -0.5, null, null, false, \"\"]\n";
    std::string expected_last = "[false, \"98765432100\", \"ZÉ\", 0.1, 1234, \"1999-12-31\", false, " + memo_json + "]\n";
    int status = -1;
    std::string out = run("/usr/bin/python3 " + script(dir, "a.py", kPythonDbf) + " " + path + " 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, expected_live + expected_deleted + expected_last) << "python3-dbf";
    out = run("/usr/bin/python3 " + script(dir, "b.py", kDbfread) + " " + path + " 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    // dbfread gives an empty memo as null.
    expected_deleted = "[true, \"00000000191\", \"MARIA\", -0.5, null, null, false, null]\n";
    EXPECT_EQ(out, expected_live + expected_last + expected_deleted) << "dbfread";
  }
}

TEST(Oracle, TablesWrittenHereReadTheSameInPerlXBase) {
  for (TableFormat format : {TableFormat::kFoxPro, TableFormat::kDBase3}) {
    TempDir dir;
    std::string path = dir / "imp0123.dbf";
    write_sample(path, format);
    int status = -1;
    std::string out = run("perl " + script(dir, "c.pl", kPerl) + " " + path + " 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    std::string expected = "0|12345678909|" + u8"JOÃO DA CONCEIÇÃO"_cp + "|1234567.89|7|20230531|1|" +
                           u8"Obs: ação\\r\\nsegunda linha"_cp + "\n" +
                           "1|00000000191|MARIA|-0.5|undef|undef|0|undef\n" +  // blanks read undef
                           "0|98765432100|" + u8"ZÉ"_cp + "|0.1|1234|19991231|0|" + kLongMemo + "\n";
    EXPECT_EQ(out, expected);
  }
}

TEST(Oracle, TablesWrittenByPythonDbfReadHere) {
  TempDir dir;
  const char* writer = R"(
import dbf, datetime, sys
for typ in ('db3', 'fp', 'vfp'):
    t = dbf.Table(sys.argv[1] + '/t_' + typ + '.dbf',
                  'CPF C(11); VALOR N(15,2); DATA D; ATIVO L; OBS M', dbf_type=typ, codepage='cp850')
    t.open(dbf.READ_WRITE)
    t.append(('12345678909', 1234.56, datetime.date(2023, 5, 31), True, 'memo ação\r\nfim'))
    t.append(('98765432100', -0.5, None, False, ''))
    t.append(('11111111111', 0, None, False, 'x' * 1000))
    dbf.delete(t[2])
    t.close()
)";
  int status = -1;
  std::string out = run("/usr/bin/python3 " + script(dir, "w.py", writer) + " " + dir.path() + " 2>&1", &status);
  ASSERT_EQ(status, 0) << out;
  for (const char* typ : {"db3", "fp", "vfp"}) {
    SCOPED_TRACE(typ);
    Table t(dir / (std::string("t_") + typ + ".dbf"), OpenMode::kShared);
    ASSERT_EQ(t.record_count(), 3u);
    EXPECT_EQ(t.get_text("CPF"), "12345678909");
    EXPECT_EQ(t.get_decimal("VALOR"), "1234.56");
    EXPECT_EQ(t.get_date("DATA"), "20230531");
    EXPECT_TRUE(t.get_logical("ATIVO"));
    EXPECT_EQ(t.get_memo("OBS"), u8"memo ação\r\nfim"_cp);
    t.skip();
    EXPECT_EQ(t.get_units("VALOR"), -50);
    EXPECT_EQ(t.get_date("DATA"), "");
    EXPECT_EQ(t.get_memo("OBS"), "");
    EXPECT_FALSE(t.deleted());
    t.skip();
    EXPECT_TRUE(t.deleted());
    EXPECT_EQ(t.get_memo("OBS"), std::string(1000, 'x'));
  }
}

TEST(Oracle, TablesWrittenByPerlXBaseReadHere) {
  TempDir dir;
  const char* writer = R"(
use XBase;
my $t = XBase->create(name => $ARGV[0], field_names => ['CPF', 'VALOR', 'DATA', 'ATIVO', 'OBS'],
  field_types => ['C', 'N', 'D', 'L', 'M'], field_lengths => [11, 15, 8, 1, 10],
  field_decimals => [0, 2, 0, 0, 0]) or die XBase->errstr;
$t->set_record(0, '12345678909', 1234.56, '20230531', 1, "memo perl\nfim") or die $t->errstr;
$t->set_record(1, '98765432100', -0.5, undef, 0, '') or die $t->errstr;
$t->delete_record(1);
$t->close;
)";
  int status = -1;
  std::string path = dir / "perl.dbf";
  std::string out = run("perl " + script(dir, "w.pl", writer) + " " + path + " 2>&1", &status);
  ASSERT_EQ(status, 0) << out;
  Table t(path, OpenMode::kShared);
  ASSERT_EQ(t.record_count(), 2u);
  EXPECT_EQ(t.get_text("CPF"), "12345678909");
  EXPECT_EQ(t.get_decimal("VALOR"), "1234.56");
  EXPECT_EQ(t.get_date("DATA"), "20230531");
  EXPECT_TRUE(t.get_logical("ATIVO"));
  EXPECT_EQ(t.get_memo("OBS"), "memo perl\nfim");
  t.skip();
  EXPECT_TRUE(t.deleted());
  EXPECT_EQ(t.get_decimal("VALOR"), "-0.50");
}
