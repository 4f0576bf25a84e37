// Damaged tables and memo files give a StoreError naming the file, never a crash or a
// silent wrong value.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "store/table.h"
#include "store_test_util.h"

using store::OpenMode;
using store::StoreError;
using store::Table;
using store_test::field;
using store_test::read_file;
using store_test::TempDir;
using store_test::write_file;

namespace {

// Opens the table and reads every value of every record.
void read_everything(const std::string& path) {
  Table t(path, OpenMode::kShared);
  for (t.go_top(); !t.eof(); t.skip()) {
    for (std::size_t i = 0; i < t.fields().size(); ++i) {
      switch (t.fields()[i].type) {
        case 'M': t.get_memo(static_cast<int>(i)); break;
        case 'N': t.get_decimal(static_cast<int>(i)); break;
        case 'D': t.get_date(static_cast<int>(i)); break;
        default: t.get_text(static_cast<int>(i));
      }
    }
  }
}

std::string sample(const TempDir& dir) {
  std::string path = dir / "good.dbf";
  Table::create(path, {field("A", 'C', 5), field("V", 'N', 8, 2), field("M", 'M')});
  Table t(path, OpenMode::kExclusive);
  for (int i = 0; i < 3; ++i) {
    t.append();
    t.put_text(0, "rec" + std::to_string(i));
    t.put_decimal(1, "1.5");
    t.put_memo(2, std::string(100 + i, 'm'));
  }
  return path;
}

}  // namespace

TEST(Damage, DamagedTablesAndMemosGiveAClearErrorNamingTheFile) {
  struct Case {
    const char* what;
    std::function<void(std::string& dbf, std::string& fpt)> damage;
    const char* file;  // "dbf" or "fpt": which file the message must name
    const char* message;
  };
  const Case cases[] = {
      {"empty table", [](std::string& d, std::string&) { d.clear(); }, "dbf", "shorter than its header"},
      {"header cut", [](std::string& d, std::string&) { d.resize(40); }, "dbf", "header"},
      {"unknown version", [](std::string& d, std::string&) { d[0] = 0x42; }, "dbf", "version byte 0x42"},
      {"header length past the end",
       [](std::string& d, std::string&) { d[8] = '\xff'; d[9] = '\x7f'; }, "dbf", "header longer"},
      {"record length wrong", [](std::string& d, std::string&) { d[10] = 9; }, "dbf", "record length"},
      {"field type garbage", [](std::string& d, std::string&) { d[32 + 11] = '\x01'; }, "dbf", "unknown type"},
      {"memo header cut", [](std::string&, std::string& f) { f.resize(100); }, "fpt", "shorter than its header"},
      {"memo block size zero", [](std::string&, std::string& f) { f[6] = 0; f[7] = 0; }, "fpt", "block size"},
      {"memo cut after the header", [](std::string&, std::string& f) { f.resize(512 + 64); }, "fpt", "memo block"},
      {"memo length garbage",
       [](std::string&, std::string& f) { f[512 + 4] = '\x7f'; }, "fpt", "damaged"},
      {"memo pointer garbage",
       [](std::string& d, std::string&) { d[d.size() - 1 - 3 * 24 + 14] = 'x'; }, "dbf", "no memo block"},
      {"memo pointer past the end",
       [](std::string& d, std::string&) { d.replace(d.size() - 1 - 3 * 24 + 14, 10, "  99999999"); }, "fpt",
       "outside"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::string path = sample(dir);
    std::string dbf = read_file(path), fpt = read_file(dir / "good.fpt");
    c.damage(dbf, fpt);
    write_file(path, dbf);
    write_file(dir / "good.fpt", fpt);
    try {
      read_everything(path);
      ADD_FAILURE() << "no error";
    } catch (const StoreError& e) {
      std::string expected_file = std::string(c.file) == "dbf" ? path : dir / "good.fpt";
      EXPECT_EQ(e.path(), expected_file) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(Damage, MissingMemoFileIsNamed) {
  TempDir dir;
  std::string path = sample(dir);
  std::filesystem::remove(dir / "good.fpt");
  try {
    Table t(path, OpenMode::kShared);
    ADD_FAILURE();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.path(), dir / "good.fpt");
  }
}

// Inputs kept from fuzzing the readers (fuzz/dbf_fuzz.cpp): odd tables from the corpus
// and every crash input once fixed. Each must read cleanly or give a StoreError.
TEST(Damage, FuzzRegressionsReadCleanlyOrFailWithStoreError) {
  namespace fs = std::filesystem;
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(STORE_REGRESSIONS_DIR)) {
    if (!entry.is_regular_file()) continue;
    std::string name = entry.path().filename().string();
    if (name.rfind("dbf-", 0) != 0) continue;
    SCOPED_TRACE(name);
    ++seen;
    TempDir dir;
    std::string bytes = read_file(entry.path().string());
    // Files hold the table, then optionally "\n--memo--\n" and the memo file.
    std::string marker = "\n--memo--\n";
    auto cut = bytes.find(marker);
    write_file(dir / "t.dbf", bytes.substr(0, cut));
    if (cut != std::string::npos) write_file(dir / "t.fpt", bytes.substr(cut + marker.size()));
    try {
      read_everything(dir / "t.dbf");
    } catch (const StoreError&) {
    }
  }
  SUCCEED() << seen << " inputs";
}
