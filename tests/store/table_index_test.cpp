// Tables with CDX indexes: orders, seeks and indexes that stay consistent with the table
// after every kind of write, in one process and in several.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "store/cdx.h"
#include "store/table.h"
#include "store_test_util.h"

using store::OpenMode;
using store::StoreError;
using store::Table;
using store_test::field;
using store_test::spawn;
using store_test::TempDir;
using store_test::wait_exit;

namespace {

std::string str4(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%4.0f", v);
  return buf;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Expected key of each tag, computed here from the field values.
std::string expected_key(Table& t, int order) {
  switch (order) {
    case 1: return t.get_text("CPF") + str4(t.get_number("I7_0"));
    case 2: return upper(t.get_text("NOME"));
    default: return t.get_text("CPF");  // order 3: FOR .NOT. DELETED(), descending
  }
}

// Walks every order and checks it against the table: every record once (FOR condition
// respected), in key order, with the key its fields give.
void expect_consistent(Table& t) {
  bool hide = t.hide_deleted();
  t.set_hide_deleted(false);
  int saved = t.order();
  for (int order = 1; order <= static_cast<int>(t.orders().size()); ++order) {
    SCOPED_TRACE("order " + std::to_string(order));
    std::vector<std::pair<std::string, std::uint32_t>> expected, walked;
    t.set_order(0);
    for (t.go_top(); !t.eof(); t.skip()) {
      if (order == 3 && t.deleted()) continue;
      expected.emplace_back(expected_key(t, order), t.recno());
    }
    std::sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
      if (a.first != b.first) return order == 3 ? a.first > b.first : a.first < b.first;
      return a.second < b.second;
    });
    t.set_order(order);
    for (t.go_top(); !t.eof(); t.skip()) walked.emplace_back(t.current_key(), t.recno());
    ASSERT_EQ(walked.size(), expected.size());
    for (std::size_t i = 0; i < walked.size(); ++i) {
      ASSERT_EQ(walked[i].first.substr(0, expected[i].first.size()), expected[i].first) << i;
      ASSERT_EQ(walked[i].second, expected[i].second) << i;
    }
  }
  t.set_order(saved);
  t.set_hide_deleted(hide);
}

void create_indexed(const std::string& dir, const std::string& name) {
  Table::create(dir + "/" + name + ".dbf", {field("CPF", 'C', 11), field("I7_0", 'N', 4),
                                            field("NOME", 'C', 30), field("DT", 'D'), field("V", 'N', 15, 2)});
}

void attach_three(Table& t, const std::string& dir, const std::string& name, bool create) {
  if (create) {
    t.create_index(dir + "/" + name + ".cdx", name, "CPF+str(I7_0,4)");
    t.create_index(dir + "/" + name + "B.cdx", name + "B", "UPPER(NOME)");
    t.create_index(dir + "/" + name + "C.cdx", name + "C", "CPF", ".NOT. DELETED()", /*descending=*/true);
  } else {
    t.attach_index(dir + "/" + name + ".cdx");
    t.attach_index(dir + "/" + name + "B.cdx");
    t.attach_index(dir + "/" + name + "C.cdx");
  }
  t.set_order(1);
}

std::string cpf_of(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%011d", i);
  return buf;
}

}  // namespace

TEST(TableIndex, StaysConsistentThroughAppendsChangesDeletesPackAndZap) {
  TempDir dir;
  create_indexed(dir.path(), "IMP0423");
  Table t(dir / "IMP0423.dbf", OpenMode::kExclusive);
  attach_three(t, dir.path(), "IMP0423", true);
  std::mt19937 rng(7);
  // Many duplicates and long common prefixes: few distinct CPFs, names sharing a stem.
  for (int i = 0; i < 20000; ++i) {
    t.append();
    t.put_text("CPF", cpf_of(static_cast<int>(rng() % 300)));
    t.put_number("I7_0", static_cast<double>(rng() % 50));
    t.put_text("NOME", "contribuinte com nome longo " + std::to_string(rng() % 1000));
    t.put_date("DT", "20230101");
  }
  expect_consistent(t);
  for (int i = 0; i < 3000; ++i) {
    t.go_to(1 + rng() % t.record_count());
    switch (rng() % 3) {
      case 0: t.put_text("CPF", cpf_of(static_cast<int>(rng() % 300))); break;
      case 1: t.put_number("I7_0", static_cast<double>(rng() % 50)); break;
      default: t.delete_record();
    }
  }
  expect_consistent(t);
  t.commit();
  t.close();
  // Reopened, the files hold what the walk showed.
  Table r(dir / "IMP0423.dbf", OpenMode::kExclusive);
  attach_three(r, dir.path(), "IMP0423", false);
  expect_consistent(r);
  r.pack();
  EXPECT_EQ(r.orders().size(), 3u);
  expect_consistent(r);
  r.reindex();
  expect_consistent(r);
  r.zap();
  EXPECT_EQ(r.record_count(), 0u);
  r.go_top();
  EXPECT_TRUE(r.eof());
  r.append();
  r.put_text("CPF", "1");
  expect_consistent(r);
}

TEST(TableIndex, SeekExactSoftAndByPrefix) {
  TempDir dir;
  create_indexed(dir.path(), "T");
  Table t(dir / "T.dbf", OpenMode::kExclusive);
  const char* names[] = {"Maria", "joão", "ANA", "Pedro", "ana"};
  for (int i = 0; i < 5; ++i) {
    t.append();
    t.put_text("CPF", cpf_of(10 * (i + 1)));
    t.put_number("I7_0", i);
    t.put_text("NOME", names[i]);
    t.put_date("DT", i % 2 ? "20230115" : "20221231");
    t.put_decimal("V", std::to_string(i * 100) + ".50");
  }
  t.create_index(dir / "T.cdx", "T", "CPF+str(I7_0,4)");
  t.create_index(dir / "TB.cdx", "TB", "UPPER(NOME)");
  t.create_index(dir / "TD.cdx", "TD", "DT");
  t.create_index(dir / "TV.cdx", "TV", "V");
  ASSERT_TRUE(t.set_order("T"));
  EXPECT_TRUE(t.seek(cpf_of(30) + "   2"));
  EXPECT_EQ(t.recno(), 3u);
  EXPECT_TRUE(t.seek(cpf_of(30)));  // a prefix of the key
  EXPECT_EQ(t.recno(), 3u);
  EXPECT_FALSE(t.seek(cpf_of(25)));
  EXPECT_TRUE(t.eof());
  EXPECT_FALSE(t.seek(cpf_of(25), /*soft=*/true));
  EXPECT_FALSE(t.eof());
  EXPECT_EQ(t.recno(), 3u);
  EXPECT_FALSE(t.seek(cpf_of(99), true));
  EXPECT_TRUE(t.eof());
  t.set_order("TB");
  EXPECT_TRUE(t.seek("ANA"));
  EXPECT_EQ(t.recno(), 3u);  // two ANAs: the lower record first
  t.skip();
  EXPECT_EQ(t.recno(), 5u);
  t.skip();
  EXPECT_EQ(t.recno(), 2u);  // "JOÃO"
  t.set_order("TD");
  EXPECT_TRUE(t.seek_date("20230115"));
  EXPECT_EQ(t.recno(), 2u);
  EXPECT_FALSE(t.seek_date("20230101", true));
  EXPECT_EQ(t.recno(), 2u);
  t.set_order("TV");
  EXPECT_TRUE(t.seek_number(300.5));
  EXPECT_EQ(t.recno(), 4u);
  EXPECT_FALSE(t.seek_number(150, true));
  EXPECT_EQ(t.recno(), 3u);
  t.go_bottom();
  EXPECT_EQ(t.recno(), 5u);
  // Hidden deleted records are passed over by seeks and skips.
  t.set_order("TB");
  t.seek("ANA");
  t.delete_record();
  t.set_hide_deleted(true);
  EXPECT_TRUE(t.seek("ANA"));
  EXPECT_EQ(t.recno(), 5u);
  t.skip(-1);
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recno(), 5u);
}

TEST(TableIndex, MissingOrDamagedIndexFileIsNamedAndCanBeRebuilt) {
  TempDir dir;
  create_indexed(dir.path(), "D");
  {
    Table t(dir / "D.dbf", OpenMode::kExclusive);
    for (int i = 0; i < 500; ++i) {
      t.append();
      t.put_text("CPF", cpf_of(i));
    }
    t.create_index(dir / "D.cdx", "D", "CPF");
  }
  std::string bytes = store_test::read_file(dir / "D.cdx");
  store_test::write_file(dir / "D.cdx", bytes.substr(0, 700));
  Table t(dir / "D.dbf", OpenMode::kExclusive);
  try {
    t.attach_index(dir / "D.cdx");
    t.go_top();
    ADD_FAILURE() << "no error";
  } catch (const StoreError& e) {
    EXPECT_EQ(e.path(), dir / "D.cdx");
  }
  std::filesystem::remove(dir / "D.cdx");
  EXPECT_THROW(t.attach_index(dir / "D.cdx"), StoreError);
  t.create_index(dir / "D.cdx", "D", "CPF");
  EXPECT_TRUE(t.seek(cpf_of(321)));
  EXPECT_EQ(t.recno(), 322u);
}

TEST(TableIndex, SharedWritersInSeveralProcessesKeepEveryIndexConsistent) {
  TempDir dir;
  create_indexed(dir.path(), "S");
  {
    Table t(dir / "S.dbf", OpenMode::kExclusive);
    attach_three(t, dir.path(), "S", true);
    t.append();
    t.put_text("CPF", cpf_of(0));
    t.put_number("V", 0);
  }
  constexpr int kProcesses = 4, kAppends = 120, kUpdates = 120;
  std::vector<pid_t> pids;
  for (int p = 0; p < kProcesses; ++p) {
    pids.push_back(spawn([&, p] {
      Table t(dir / "S.dbf", OpenMode::kShared);
      attach_three(t, dir.path(), "S", false);
      std::mt19937 rng(p);
      int appended = 0, updated = 0, tries = 0;
      while ((appended < kAppends || updated < kUpdates) && ++tries < 1000000) {
        if (appended < kAppends && t.append()) {
          t.put_text("CPF", cpf_of(1 + static_cast<int>(rng() % 50)));
          t.put_number("I7_0", p);
          t.put_text("NOME", "p" + std::to_string(p) + " " + std::to_string(appended));
          t.unlock_all();
          ++appended;
        }
        if (updated < kUpdates) {
          // The counter record is found through the index, as the program does.
          t.set_order(1);
          if (!t.seek(cpf_of(0))) return 3;
          if (t.lock_record()) {
            t.put_number("V", t.get_number("V") + 1);
            t.put_number("I7_0", static_cast<double>(updated % 7));  // moves its key
            t.unlock_all();
            ++updated;
          }
        }
        // A record of someone else changes its key under a record lock.
        t.set_order(2);
        if (t.seek("P", true) && !t.eof() && t.lock_record()) {
          t.put_text("CPF", cpf_of(1 + static_cast<int>(rng() % 50)));
          t.unlock_all();
        }
      }
      return appended == kAppends && updated == kUpdates ? 0 : 4;
    }));
  }
  for (pid_t pid : pids) EXPECT_EQ(wait_exit(pid), 0);
  Table t(dir / "S.dbf", OpenMode::kExclusive);
  attach_three(t, dir.path(), "S", false);
  EXPECT_EQ(t.record_count(), 1u + kProcesses * kAppends);
  t.set_order(1);
  ASSERT_TRUE(t.seek(cpf_of(0)));
  EXPECT_DOUBLE_EQ(t.get_number("V"), kProcesses * kUpdates);
  expect_consistent(t);
}

TEST(TableIndex, AnotherProcessSeesNewKeysAtTheNextSeek) {
  TempDir dir;
  create_indexed(dir.path(), "V");
  {
    Table t(dir / "V.dbf", OpenMode::kExclusive);
    attach_three(t, dir.path(), "V", true);
  }
  Table reader(dir / "V.dbf", OpenMode::kShared);
  attach_three(reader, dir.path(), "V", false);
  EXPECT_FALSE(reader.seek(cpf_of(5)));
  ASSERT_EQ(wait_exit(spawn([&] {
              Table w(dir / "V.dbf", OpenMode::kShared);
              attach_three(w, dir.path(), "V", false);
              for (int i = 0; i < 2000; ++i) {  // enough to split pages
                if (!w.append()) return 1;
                w.put_text("CPF", cpf_of(i));
                w.put_text("NOME", "novo");
              }
              w.unlock_all();
              return 0;
            })),
            0);
  EXPECT_TRUE(reader.seek(cpf_of(5)));
  EXPECT_EQ(reader.recno(), 6u);
  EXPECT_TRUE(reader.seek(cpf_of(1999)));
  reader.set_order(2);
  reader.go_bottom();
  EXPECT_EQ(reader.recno(), 2000u);
}
