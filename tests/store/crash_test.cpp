// A process killed in the middle of writing leaves tables that open and read: appends
// are reconciled with the file size, pack and zap leave the old or the new table whole.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "store/table.h"
#include "store_test_util.h"

using store::OpenMode;
using store::Table;
using store_test::field;
using store_test::spawn;
using store_test::TempDir;
using store_test::wait_exit;

namespace {

void kill_after(pid_t pid, int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  ::kill(pid, SIGKILL);
  wait_exit(pid);
}

// Every record carries its own number in ID and a memo naming it; a record appended but
// not yet filled (blank) may end the table.
void expect_records_whole(Table& t) {
  std::uint32_t n = t.record_count();
  for (std::uint32_t r = 1; r <= n; ++r) {
    t.go_to(r);
    if (r == n && t.get_text("ID") == std::string(8, ' ')) break;
    ASSERT_EQ(t.get_number("ID"), r) << "record " << r << " of " << n;
    ASSERT_EQ(t.get_memo("M"), "memo " + std::to_string(r));
  }
}

}  // namespace

TEST(Crash, KilledAppendsLeaveATableThatOpensAndReads) {
  std::uint32_t most = 0;
  for (OpenMode mode : {OpenMode::kExclusive, OpenMode::kShared}) {
    for (int delay : {30, 90, 200}) {
      SCOPED_TRACE(std::to_string(delay) + " ms, shared " + std::to_string(mode == OpenMode::kShared));
      TempDir dir;
      std::string path = dir / "K.dbf";
      Table::create(path, {field("ID", 'N', 8), field("NOME", 'C', 20), field("M", 'M')});
      {
        Table t(path, OpenMode::kExclusive);
        t.create_index(dir / "K.cdx", "ID", "ID");
      }
      pid_t pid = spawn([&] {
        Table t(path, mode);
        t.attach_index(dir / "K.cdx");
        for (std::uint32_t i = 1;; ++i) {
          if (!t.append()) return 1;
          t.put_number("ID", t.recno());
          t.put_text("NOME", "registro");
          t.put_memo("M", "memo " + std::to_string(t.recno()));
          if (mode == OpenMode::kShared) t.unlock_all();
        }
      });
      kill_after(pid, delay);
      // Exclusive appends are written in batches: a kill loses the batch in memory only.
      Table t(path, OpenMode::kExclusive);
      most = std::max(most, t.record_count());
      expect_records_whole(t);
      // The index may lag the table after a kill; rebuilding puts it right.
      t.attach_index(dir / "K.cdx");
      t.reindex();
      std::uint32_t n = 0;
      for (t.go_top(); !t.eof(); t.skip()) ++n;
      EXPECT_EQ(n, t.record_count());
    }
  }
  EXPECT_GT(most, 0u);  // some kill came while records were being written
}

TEST(Crash, KilledPackOrZapLeavesTheOldOrTheNewTable) {
  TempDir dir;
  std::string path = dir / "P.dbf";
  constexpr std::uint32_t kRecords = 30000;
  Table::create(path, {field("ID", 'N', 8), field("NOME", 'C', 40), field("M", 'M')});
  {
    Table t(path, OpenMode::kExclusive);
    for (std::uint32_t r = 1; r <= kRecords; ++r) {
      t.append();
      t.put_number("ID", r);
      t.put_text("NOME", "nome " + std::to_string(r));
      if (r % 1000 == 0) t.put_memo("M", "memo " + std::to_string(r));
      if (r % 3 == 0) t.delete_record();
    }
    t.create_index(dir / "P.cdx", "ID", "ID");
    t.create_index(dir / "PB.cdx", "NOME", "NOME");
  }
  const std::uint32_t packed = kRecords - kRecords / 3;
  for (int delay : {0, 10, 30, 80, 200}) {
    for (bool zap : {false, true}) {
      SCOPED_TRACE(std::to_string(delay) + " ms, zap " + std::to_string(zap));
      std::filesystem::copy_file(path, dir / "W.dbf", std::filesystem::copy_options::overwrite_existing);
      std::filesystem::copy_file(dir / "P.fpt", dir / "W.fpt", std::filesystem::copy_options::overwrite_existing);
      std::filesystem::copy_file(dir / "P.cdx", dir / "W.cdx", std::filesystem::copy_options::overwrite_existing);
      std::filesystem::copy_file(dir / "PB.cdx", dir / "WB.cdx", std::filesystem::copy_options::overwrite_existing);
      pid_t pid = spawn([&] {
        Table t(dir / "W.dbf", OpenMode::kExclusive);
        t.attach_index(dir / "W.cdx");
        t.attach_index(dir / "WB.cdx");
        if (zap) t.zap();
        else t.pack();
        return 0;
      });
      kill_after(pid, delay);
      Table t(dir / "W.dbf", OpenMode::kExclusive);
      std::uint32_t n = t.record_count();
      ASSERT_TRUE(n == kRecords || n == (zap ? 0u : packed)) << n;
      std::uint32_t expected_id = 0;
      for (t.go_top(); !t.eof(); t.skip()) {
        do {
          ++expected_id;
        } while (n != kRecords && expected_id % 3 == 0);
        ASSERT_EQ(t.get_number("ID"), expected_id);
        if (expected_id % 1000 == 0) {
          ASSERT_EQ(t.get_memo("M"), "memo " + std::to_string(expected_id));
        }
      }
      // Index files are there and match the table, or they are missing (to be rebuilt).
      t.close();
      for (const char* cdx : {"W.cdx", "WB.cdx"}) {
        if (!store::file_exists(dir / cdx)) continue;
        Table check(dir / "W.dbf", OpenMode::kShared);
        check.attach_index(dir / cdx);
        std::uint32_t walked = 0;
        for (check.go_top(); !check.eof(); check.skip()) ++walked;
        EXPECT_EQ(walked, n) << cdx;
      }
    }
  }
}
