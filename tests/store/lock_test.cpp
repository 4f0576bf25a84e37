// Locks and sharing between real processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "store/table.h"
#include "store_test_util.h"

using store::OpenMode;
using store::Table;
using store::TableBusy;
using store_test::field;
using store_test::spawn;
using store_test::TempDir;
using store_test::wait_exit;

namespace {

// What a process without our code sees at a byte: true when someone else holds a lock.
bool byte_locked(const std::string& path, std::uint64_t offset, std::uint64_t len = 1) {
  int fd = ::open(path.c_str(), O_RDWR);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(len);
  ::fcntl(fd, F_GETLK, &fl);
  ::close(fd);
  return fl.l_type != F_UNLCK;
}

int open_result(const std::string& path, OpenMode mode) {
  try {
    Table t(path, mode);
    return 0;
  } catch (const TableBusy&) {
    return 1;
  }
}

void make_table(const std::string& path, int records) {
  Table::create(path, {field("ID", 'N', 8), field("CNT", 'N', 10), field("WHO", 'C', 10)});
  Table t(path, OpenMode::kExclusive);
  for (int i = 1; i <= records; ++i) {
    t.append();
    t.put_number("ID", i);
    t.put_number("CNT", 0);
  }
}

}  // namespace

TEST(Locks, ExclusiveOpenExcludesEveryOtherOpen) {
  TempDir dir;
  std::string path = dir / "x.dbf";
  make_table(path, 3);
  {
    Table excl(path, OpenMode::kExclusive);
    EXPECT_EQ(wait_exit(spawn([&] { return open_result(path, OpenMode::kShared); })), 1);
    EXPECT_EQ(wait_exit(spawn([&] { return open_result(path, OpenMode::kExclusive); })), 1);
    EXPECT_EQ(wait_exit(spawn([&] { return open_result(path, OpenMode::kReadOnly); })), 1);
    // A second work area of this very process is refused as well.
    EXPECT_THROW(Table(path, OpenMode::kShared), TableBusy);
  }
  {
    Table shared(path, OpenMode::kShared);
    EXPECT_EQ(wait_exit(spawn([&] { return open_result(path, OpenMode::kShared); })), 0);
    EXPECT_EQ(wait_exit(spawn([&] { return open_result(path, OpenMode::kExclusive); })), 1);
    Table other(path, OpenMode::kShared);
    other.close();  // closing one work area leaves the other's hold in place
    EXPECT_EQ(wait_exit(spawn([&] { return open_result(path, OpenMode::kExclusive); })), 1);
  }
  EXPECT_EQ(wait_exit(spawn([&] { return open_result(path, OpenMode::kExclusive); })), 0);
}

TEST(Locks, UseTheXBaseOffsetsAndExcludeEachOther) {
  TempDir dir;
  std::string path = dir / "l.dbf";
  make_table(path, 10);
  Table t(path, OpenMode::kShared);
  ASSERT_TRUE(t.lock_record(5));
  EXPECT_TRUE(byte_locked(path, 0x7FFFFFFE - 5));
  EXPECT_FALSE(byte_locked(path, 0x7FFFFFFE - 6));
  auto other = [&](auto action) {
    return wait_exit(spawn([&] {
      Table o(path, OpenMode::kShared);
      return action(o) ? 0 : 1;
    }));
  };
  EXPECT_EQ(other([](Table& o) { return o.lock_record(5); }), 1);
  EXPECT_EQ(other([](Table& o) { return o.lock_record(6); }), 0);
  EXPECT_EQ(other([](Table& o) { return o.lock_file(); }), 1);
  EXPECT_EQ(other([](Table& o) { return o.append(); }), 0);
  t.unlock_record(5);
  EXPECT_FALSE(byte_locked(path, 0x7FFFFFFE - 5));

  ASSERT_TRUE(t.lock_file());
  EXPECT_TRUE(byte_locked(path, 0x77FFFFFF, 0x07FFFFFF));
  EXPECT_TRUE(byte_locked(path, 0x77FFFFFF));
  EXPECT_TRUE(byte_locked(path, 0x7FFFFFFD));
  EXPECT_FALSE(byte_locked(path, 0x7FFFFFFE));  // the append lock byte is not part of it
  EXPECT_EQ(other([](Table& o) { return o.lock_record(1); }), 1);
  EXPECT_EQ(other([](Table& o) { return o.append(); }), 1);  // the new record cannot be locked
  t.unlock_file();
  EXPECT_EQ(other([](Table& o) { return o.lock_file(); }), 0);

  // The append lock, held by a process that does not use our code.
  int fd = ::open(path.c_str(), O_RDWR);
  pid_t holder = spawn([&] {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0x7FFFFFFE;
    fl.l_len = 1;
    ::fcntl(fd, F_SETLK, &fl);
    ::sleep(3);
    return 0;
  });
  ::close(fd);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(t.append());
  ::kill(holder, SIGKILL);
  wait_exit(holder);
  EXPECT_TRUE(t.append());
}

TEST(Locks, ChangesOfOtherProcessesAreSeenAtTheNextMove) {
  TempDir dir;
  std::string path = dir / "s.dbf";
  make_table(path, 2);
  Table t(path, OpenMode::kShared);
  t.go_top();
  EXPECT_EQ(t.record_count(), 2u);
  EXPECT_DOUBLE_EQ(t.get_number("CNT"), 0);
  ASSERT_EQ(wait_exit(spawn([&] {
              Table o(path, OpenMode::kShared);
              if (!o.append()) return 1;
              o.put_number("ID", 3);
              o.go_top();
              if (!o.lock_record()) return 2;
              o.put_number("CNT", 77);
              o.unlock_all();
              return 0;
            })),
            0);
  EXPECT_DOUBLE_EQ(t.get_number("CNT"), 0);  // the buffer holds what was read
  t.skip(0);
  EXPECT_DOUBLE_EQ(t.get_number("CNT"), 77);
  t.go_bottom();
  EXPECT_EQ(t.recno(), 3u);
  EXPECT_DOUBLE_EQ(t.get_number("ID"), 3);
}

TEST(Locks, ConcurrentAppendsAndUpdatesLoseNothing) {
  TempDir dir;
  std::string path = dir / "c.dbf";
  make_table(path, 1);
  constexpr int kProcesses = 4, kAppends = 150, kIncrements = 150;
  std::vector<pid_t> pids;
  for (int p = 0; p < kProcesses; ++p) {
    pids.push_back(spawn([&, p] {
      Table t(path, OpenMode::kShared);
      int appended = 0, incremented = 0;
      while (appended < kAppends || incremented < kIncrements) {
        if (appended < kAppends) {
          if (t.append()) {
            t.put_number("ID", 1000 * (p + 1) + appended);
            t.put_text("WHO", "p" + std::to_string(p));
            t.unlock_all();
            ++appended;
          }
        }
        if (incremented < kIncrements) {
          t.go_to(1);
          if (t.lock_record()) {  // re-reads the record under the lock
            t.put_number("CNT", t.get_number("CNT") + 1);
            t.unlock_record(1);
            ++incremented;
          }
        }
      }
      return 0;
    }));
  }
  for (pid_t pid : pids) EXPECT_EQ(wait_exit(pid), 0);
  Table t(path, OpenMode::kExclusive);
  EXPECT_EQ(t.record_count(), 1u + kProcesses * kAppends);
  t.go_to(1);
  EXPECT_DOUBLE_EQ(t.get_number("CNT"), kProcesses * kIncrements);
  std::set<int> ids;
  for (t.go_to(2); !t.eof(); t.skip()) ids.insert(static_cast<int>(t.get_number("ID")));
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(kProcesses * kAppends));
}
