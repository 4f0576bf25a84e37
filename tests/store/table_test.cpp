// DBF tables and memo files written and read by the table store itself.
#include "store/table.h"

#include <gtest/gtest.h>

#include <ctime>

#include "store/field_value.h"
#include "store_test_util.h"

using store::OpenMode;
using store::StoreError;
using store::Table;
using store::TableFormat;
using store_test::field;
using store_test::read_file;
using store_test::TempDir;
using store_test::write_file;

namespace {

std::vector<store::FieldDesc> sample_fields(bool memo) {
  std::vector<store::FieldDesc> f = {field("CPF", 'C', 11), field("VALOR", 'N', 15, 2),
                                     field("QTD", 'N', 4), field("DATA", 'D'), field("ATIVO", 'L')};
  if (memo) f.push_back(field("OBS", 'M'));
  return f;
}

std::string today_dtos() {
  std::time_t t = std::time(nullptr);
  std::tm tm {};
  localtime_r(&t, &tm);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  return buf;
}

unsigned count_in_header(const std::string& bytes) {
  return static_cast<unsigned char>(bytes[4]) | static_cast<unsigned char>(bytes[5]) << 8 |
         static_cast<unsigned char>(bytes[6]) << 16 | static_cast<unsigned char>(bytes[7]) << 24;
}

}  // namespace

TEST(Table, WritesEveryFieldTypeAndReadsItBackAfterReopening) {
  for (TableFormat format : {TableFormat::kFoxPro, TableFormat::kDBase3}) {
    TempDir dir;
    std::string path = dir / "IMP0123.DBF";
    Table::create(path, sample_fields(true), format);
    {
      Table t(path, OpenMode::kExclusive);
      ASSERT_TRUE(t.append());
      t.put_text("CPF", "12345678909");
      t.put_decimal("VALOR", "1234567.89");
      t.put_number("QTD", 42);
      t.put_date("DATA", "20230531");
      t.put_logical("ATIVO", true);
      t.put_memo("OBS", std::string("linha 1\r\nlinha 2 \x87\xC6o"));
      ASSERT_TRUE(t.append());
      t.put_text("CPF", "98765432100");
      t.put_decimal("VALOR", "-0.5");
      t.put_memo("OBS", std::string(3000, 'x'));  // several blocks
      t.close();
    }
    std::string bytes = read_file(path);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), format == TableFormat::kFoxPro ? 0xF5 : 0x83);
    EXPECT_EQ(count_in_header(bytes), 2u);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_TRUE(store_test::TempDir().path().size() > 0);
    Table t(path, OpenMode::kShared);
    EXPECT_EQ(t.last_update(), today_dtos());
    EXPECT_EQ(t.record_count(), 2u);
    EXPECT_EQ(t.get_text("CPF"), "12345678909");
    EXPECT_EQ(t.get_decimal("VALOR"), "1234567.89");
    EXPECT_EQ(t.get_units("VALOR"), 123456789);
    EXPECT_DOUBLE_EQ(t.get_number("QTD"), 42);
    EXPECT_EQ(t.get_text("QTD"), "  42");
    EXPECT_EQ(t.get_date("DATA"), "20230531");
    EXPECT_TRUE(t.get_logical("ATIVO"));
    EXPECT_EQ(t.get_memo("OBS"), "linha 1\r\nlinha 2 \x87\xC6o");
    t.skip();
    EXPECT_EQ(t.recno(), 2u);
    EXPECT_EQ(t.get_text("VALOR"), "          -0.50");
    EXPECT_EQ(t.get_date("DATA"), "");
    EXPECT_FALSE(t.get_logical("ATIVO"));
    EXPECT_EQ(t.get_memo("OBS"), std::string(3000, 'x'));
    t.skip();
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.recno(), 3u);
  }
}

TEST(Table, VersionByteWithoutMemoIsDBase3) {
  TempDir dir;
  Table::create(dir / "a.dbf", sample_fields(false));
  EXPECT_EQ(read_file(dir / "a.dbf")[0], '\x03');
  EXPECT_FALSE(store::file_exists(dir / "a.fpt"));
}

TEST(Table, NumbersAreStoredExactly) {
  struct Case {
    const char* in;
    int width, decimals;
    const char* stored;  // nullptr: does not fit
  };
  const Case cases[] = {
      {"2.675", 15, 2, "           2.68"},  // the double 2.675 is below 2.675: text rounds right
      {"-2.675", 15, 2, "          -2.68"},
      {"0.005", 6, 2, "  0.01"},
      {"999999999999.99", 15, 2, "999999999999.99"},
      {"9999999999999.995", 15, 2, nullptr},
      {"-0.004", 6, 2, "  0.00"},
      {"123", 3, 0, "123"},
      {"1234", 3, 0, nullptr},
      {"-12", 3, 0, "-12"},
      {"0.5", 3, 1, "0.5"},
      {"-0.5", 3, 1, "-.5"},
      {"12345678901234567.5", 20, 0, "   12345678901234568"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    std::string path = dir / "n.dbf";
    Table::create(path, {field("V", 'N', c.width, c.decimals)}, TableFormat::kFoxPro, true);
    Table t(path, OpenMode::kExclusive);
    t.append();
    if (!c.stored) {
      EXPECT_THROW(t.put_decimal(0, c.in), StoreError) << c.in;
      continue;
    }
    t.put_decimal(0, c.in);
    EXPECT_EQ(t.get_text(0), c.stored) << c.in;
    t.put_number(0, std::stod(c.in));
    EXPECT_EQ(t.get_text(0), c.stored) << c.in << " as double";
  }
  Table::create(dir / "u.dbf", {field("V", 'N', 15, 2)});
  Table t(dir / "u.dbf", OpenMode::kExclusive);
  t.append();
  t.put_units(0, -123456789012);
  EXPECT_EQ(t.get_decimal(0), "-1234567890.12");
  EXPECT_EQ(t.get_units(0), -123456789012);
  t.put_units(0, 7);
  EXPECT_EQ(t.get_decimal(0), "0.07");
  EXPECT_THROW(t.put_decimal(0, "12a"), StoreError);
  EXPECT_THROW(t.put_number(0, 1.0 / 0.0), StoreError);
  EXPECT_THROW(t.put_date(0, "20230231"), StoreError);
}

TEST(Table, DeletedRecordsAreHiddenOnRequestAndPackRemovesThem) {
  TempDir dir;
  std::string path = dir / "d.dbf";
  Table::create(path, {field("N", 'N', 5), field("M", 'M')});
  Table t(path, OpenMode::kExclusive);
  for (int i = 1; i <= 6; ++i) {
    t.append();
    t.put_number(0, i);
    t.put_memo(1, "memo " + std::to_string(i));
    if (i % 2 == 1) t.delete_record();
  }
  t.go_top();
  EXPECT_TRUE(t.deleted());
  t.set_hide_deleted(true);
  t.go_top();
  EXPECT_EQ(t.recno(), 2u);
  t.skip(-1);
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recno(), 2u);
  t.go_bottom();
  EXPECT_EQ(t.recno(), 6u);
  t.skip();
  EXPECT_TRUE(t.eof());
  t.skip(-2);
  EXPECT_EQ(t.recno(), 4u);
  t.go_to(3);  // go_to reaches a hidden record
  EXPECT_TRUE(t.deleted());
  t.recall();
  t.pack();
  EXPECT_EQ(t.record_count(), 4u);
  t.set_hide_deleted(false);
  std::vector<std::string> seen;
  for (t.go_top(); !t.eof(); t.skip()) seen.push_back(t.get_decimal(0) + ":" + t.get_memo(1));
  EXPECT_EQ(seen, (std::vector<std::string>{"2:memo 2", "3:memo 3", "4:memo 4", "6:memo 6"}));
  t.zap();
  EXPECT_EQ(t.record_count(), 0u);
  EXPECT_TRUE(t.eof() && t.bof());
  t.close();
  EXPECT_EQ(Table(path, OpenMode::kShared).record_count(), 0u);
}

TEST(Table, EndMarkIsToleratedEitherWay) {
  TempDir dir;
  std::string path = dir / "e.dbf";
  Table::create(path, {field("A", 'C', 3)});
  {
    Table t(path, OpenMode::kExclusive);
    for (const char* v : {"abc", "def"}) {
      t.append();
      t.put_text(0, v);
    }
  }
  std::string bytes = read_file(path);
  ASSERT_EQ(bytes.back(), '\x1A');
  write_file(path, bytes.substr(0, bytes.size() - 1));
  for (OpenMode mode : {OpenMode::kShared, OpenMode::kExclusive}) {
    Table t(path, mode);
    EXPECT_EQ(t.record_count(), 2u);
    t.go_bottom();
    EXPECT_EQ(t.get_text(0), "def");
  }
}

TEST(Table, RecordCountIsReconciledWithTheFileSize) {
  TempDir dir;
  std::string path = dir / "r.dbf";
  Table::create(path, {field("A", 'C', 4)});
  {
    Table t(path, OpenMode::kExclusive);
    for (int i = 0; i < 5; ++i) {
      t.append();
      t.put_text(0, "r" + std::to_string(i + 1));
    }
  }
  const std::string whole = read_file(path);
  const std::size_t header = whole.size() - 1 - 5 * 5;
  // Cut in the middle of record 5 (header still says 5): four whole records remain.
  write_file(path, whole.substr(0, header + 4 * 5 + 2));
  {
    Table shared(path, OpenMode::kShared);
    EXPECT_EQ(shared.record_count(), 4u);
  }
  {
    Table t(path, OpenMode::kExclusive);
    EXPECT_EQ(t.record_count(), 4u);
    t.go_bottom();
    EXPECT_EQ(t.get_text(0), "r4  ");
  }
  EXPECT_EQ(count_in_header(read_file(path)), 4u);  // the header was put right
  // A whole record written after the counted ones (header update lost): kept.
  std::string bytes = whole;
  bytes[4] = 3;
  write_file(path, bytes);
  {
    Table t(path, OpenMode::kExclusive);
    EXPECT_EQ(t.record_count(), 5u);
    t.go_bottom();
    EXPECT_EQ(t.get_text(0), "r5  ");
  }
}

TEST(Table, MemoIsRewrittenInPlaceWhenItFitsAndMovedWhenItGrows) {
  TempDir dir;
  std::string path = dir / "m.dbf";
  Table::create(path, {field("M", 'M')});
  Table t(path, OpenMode::kExclusive);
  t.append();
  t.put_memo(0, "short");
  std::string first = t.get_text(0);
  t.put_memo(0, "other");
  EXPECT_EQ(t.get_text(0), first);
  t.put_memo(0, std::string(500, 'y'));
  EXPECT_NE(t.get_text(0), first);
  EXPECT_EQ(t.get_memo(0), std::string(500, 'y'));
  t.put_memo(0, "");
  EXPECT_EQ(t.get_text(0), std::string(10, ' '));
  EXPECT_EQ(t.get_memo(0), "");
}

TEST(Table, AppendFromCopiesFieldsByName) {
  TempDir dir;
  Table::create(dir / "old.dbf", {field("CPF", 'C', 11), field("GONE", 'C', 3), field("V", 'N', 10, 2),
                                  field("M", 'M'), field("D", 'D')});
  Table::create(dir / "new.dbf", {field("CPF", 'C', 11), field("V", 'N', 15, 2), field("NEW", 'L'),
                                  field("M", 'M'), field("D", 'D')});
  {
    Table old(dir / "old.dbf", OpenMode::kExclusive);
    for (int i = 1; i <= 3; ++i) {
      old.append();
      old.put_text("CPF", std::to_string(i));
      old.put_text("GONE", "x");
      old.put_decimal("V", std::to_string(i) + ".25");
      old.put_memo("M", "m" + std::to_string(i));
      old.put_date("D", "2022010" + std::to_string(i));
    }
    old.go_to(2);
    old.delete_record();
  }
  Table src(dir / "old.dbf", OpenMode::kShared);
  Table dst(dir / "new.dbf", OpenMode::kExclusive);
  EXPECT_EQ(dst.append_from(src, /*skip_deleted=*/true), 2u);
  dst.go_top();
  EXPECT_EQ(dst.get_text("CPF"), "1          ");
  EXPECT_EQ(dst.get_decimal("V"), "1.25");
  EXPECT_EQ(dst.get_memo("M"), "m1");
  EXPECT_EQ(dst.get_date("D"), "20220101");
  EXPECT_FALSE(dst.get_logical("NEW"));
  dst.skip();
  EXPECT_EQ(dst.get_text("CPF"), "3          ");
}

TEST(Table, OpeningMatchesTheFileNameIgnoringCase) {
  TempDir dir;
  Table::create(dir / "IMP0923.DBF", {field("CPF", 'C', 11), field("M", 'M')});
  Table t(dir / "imp0923.dbf", OpenMode::kShared);
  EXPECT_EQ(t.path(), dir / "IMP0923.DBF");
  EXPECT_TRUE(store::file_exists(dir / "IMP0923.FPT"));
}

TEST(Table, ChangesNeedALockInSharedMode) {
  TempDir dir;
  std::string path = dir / "s.dbf";
  Table::create(path, {field("A", 'C', 2)});
  Table t(path, OpenMode::kShared);
  ASSERT_TRUE(t.append());  // the new record is locked for us
  t.put_text(0, "ok");
  t.unlock_all();
  t.go_top();
  EXPECT_THROW(t.put_text(0, "no"), StoreError);
  ASSERT_TRUE(t.lock_record());
  t.put_text(0, "ye");
  t.unlock_record(t.recno());
  t.go_top();
  EXPECT_EQ(t.get_text(0), "ye");
  Table reader(path, OpenMode::kReadOnly);
  EXPECT_EQ(reader.get_text(0), "ye");
  EXPECT_THROW(reader.put_text(0, "x"), StoreError);
}

TEST(Table, CopyToWritesAWholeNewTableOverTheOldOne) {
  TempDir dir;
  Table::create(dir / "src.dbf", {field("A", 'C', 4), field("M", 'M')});
  Table::create(dir / "dst.dbf", {field("A", 'C', 4), field("M", 'M')});
  {
    Table old(dir / "dst.dbf", OpenMode::kExclusive);
    old.append();
    old.put_text(0, "old");
    old.put_memo(1, "old memo");
  }
  std::string old_dbf = read_file(dir / "dst.dbf");
  Table src(dir / "src.dbf", OpenMode::kExclusive);
  for (int i = 0; i < 3; ++i) {
    src.append();
    src.put_text(0, "n" + std::to_string(i));
    src.put_memo(1, "memo " + std::to_string(i));
  }
  EXPECT_EQ(src.copy_to(dir / "dst.dbf"), 3u);
  {
    Table dst(dir / "dst.dbf", OpenMode::kShared);
    EXPECT_EQ(dst.record_count(), 3u);
    dst.go_bottom();
    EXPECT_EQ(dst.get_memo(1), "memo 2");
  }
  // The old table with the new memo file (a crash between the two renames) still reads
  // its own memo.
  write_file(dir / "dst.dbf", old_dbf);
  Table old(dir / "dst.dbf", OpenMode::kShared);
  EXPECT_EQ(old.get_memo(1), "old memo");
  EXPECT_FALSE(store::file_exists(dir / "dst.dbf.cpy.dbf"));
}
