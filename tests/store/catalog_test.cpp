#include "store/catalog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "store/os_file.h"
#include "util/codepage.h"
#include "store_test_util.h"

using namespace store;
using store_test::spawn;
using store_test::TempDir;
using store_test::wait_exit;
namespace fs = std::filesystem;

namespace {

// Records what the catalogue tells the user; waits are short and counted.
class RecordingUi : public StoreUi {
 public:
  void status(const std::string& text, bool) override { statuses.push_back(text); }
  void clear_status() override {}
  void progress(const std::string& text) override { progresses.push_back(text); }
  void close_progress() override {}
  void information(const std::vector<std::string>& lines, const std::string&) override { infos.push_back(lines[0]); }
  void error(const std::vector<std::string>& lines, const std::string&) override { errors.push_back(lines[0]); }
  bool ask_yes_no(const std::vector<std::string>&, const std::string&) override { return answer_yes; }
  bool esc_pressed() override { return esc; }
  void wait_half_second() override {
    ++waits;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::vector<std::string> statuses, progresses, infos, errors;
  int waits = 0;
  bool esc = false;
  bool answer_yes = true;
};

// A child process that opens `path` shared, takes a lock, tells us through a pipe and
// keeps it for `hold_ms`.
pid_t hold_lock(const std::string& path, bool whole_file, int hold_ms) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  pid_t pid = spawn([&] {
    close(fds[0]);
    Table t(path, OpenMode::kShared);
    t.go_top();
    bool ok = whole_file ? t.lock_file() : t.lock_record(1);
    char c = ok ? '1' : '0';
    (void)!write(fds[1], &c, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
    return ok ? 0 : 1;
  });
  close(fds[1]);
  char c = 0;
  EXPECT_EQ(read(fds[0], &c, 1), 1);
  close(fds[0]);
  EXPECT_EQ(c, '1');
  return pid;
}

class CatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_store_ui(&ui);
    auto& s = catalog_settings();
    s = CatalogSettings{};
    fs::create_directories(base.path() + "/dados");
    s.base_folder = base.path();
    s.data_folder = base.path() + "/dados";
    s.work_folder = base.path();
    s.terminal = "04";
  }
  void TearDown() override {
    close_all_slots();
    set_store_ui(nullptr);
  }
  std::string data(const std::string& name) { return base.path() + "/dados/" + name; }

  TempDir base;
  RecordingUi ui;
};

}  // namespace

TEST_F(CatalogTest, OpeningTheRegisterInANewFolderCreatesItAndItsThreeIndexes) {
  ASSERT_TRUE(ABERTURA(9));
  EXPECT_TRUE(file_exists(data("IMP0923.DBF")));
  for (const char* cdx : {"IMP0923.cdx", "IMP0923B.cdx", "IMP0923C.cdx"})
    EXPECT_TRUE(file_exists(resolve_path_nocase(data(cdx)))) << cdx;
  Table& t = area(9);
  ASSERT_EQ(t.orders().size(), 3u);
  EXPECT_EQ(t.orders()[1].key_expression, "UPPER(NOMECONTR)");
  EXPECT_EQ(t.order(), 1);
  EXPECT_TRUE(t.shared());
}

TEST_F(CatalogTest, AMissingIndexIsRebuiltAfterPackingTheTable) {
  ASSERT_TRUE(ABERTURA(4));
  Table& t = area(4);
  struct Row {
    const char* cpf;
    int item;
    bool deleted;
  } rows[] = {{"22222222222", 2, false}, {"11111111111", 7, true}, {"11111111111", 3, false}};
  for (const auto& r : rows) {
    ASSERT_TRUE(ADD_REC(0));
    t.put_text("CPF", r.cpf);
    t.put_number("I7_0", r.item);
    if (r.deleted) t.delete_record();
    t.commit();
    t.unlock_all();
  }
  close_all_slots();
  fs::remove(resolve_path_nocase(data("IMP0423.cdx")));
  ui.progresses.clear();
  ASSERT_TRUE(ABERTURA(4));
  Table& again = area(4);
  EXPECT_EQ(again.record_count(), 2u);  // the deleted row went with the pack
  EXPECT_EQ(again.orders()[0].key_expression, "CPF+str(I7_0,4)");
  again.go_top();
  EXPECT_EQ(again.current_key(), "11111111111   3");
  ASSERT_FALSE(ui.progresses.empty());
  EXPECT_EQ(ui.progresses.back(), "Criando o indice IMP0423.cdx");
}

TEST_F(CatalogTest, RecordLockWaitsAndGivesUp) {
  ASSERT_TRUE(ABERTURA(42));
  Table& t = area(42);
  ASSERT_TRUE(ADD_REC(0));
  t.put_text("NRO_TERM", "04");
  t.commit();
  t.unlock_all();
  pid_t holder = hold_lock(t.path(), false, 3000);
  t.go_top();
  select(42);
  EXPECT_FALSE(REC_LOCK(0));  // no second try
  EXPECT_EQ(ui.waits, 0);
  EXPECT_EQ(ui.errors.back(), u8"ATENÇÃO! Registro não ficou disponível. Dado nÃo será gravado."_cp);
  EXPECT_FALSE(REC_LOCK(5));  // ten more tries
  EXPECT_EQ(ui.waits, 10);
  EXPECT_EQ(ui.statuses.back(), "Aguardando registro ficar disponivel no arquivo CONFIG");
  ui.esc = true;
  EXPECT_FALSE(REC_LOCK(5));  // Esc gives up at once
  EXPECT_EQ(ui.waits, 10);
  ui.esc = false;
  EXPECT_EQ(wait_exit(holder), 0);
  EXPECT_TRUE(REC_LOCK(0));  // free again
  t.unlock_all();
}

TEST_F(CatalogTest, FileLockWithoutLimitWaitsUntilTheOtherLetsGoEvenWithEsc) {
  ASSERT_TRUE(ABERTURA(52));
  Table& t = area(52);
  pid_t holder = hold_lock(t.path(), true, 700);
  select(52);
  ui.esc = true;
  EXPECT_TRUE(FIL_LOCK(0));
  EXPECT_GE(ui.waits, 5);
  EXPECT_EQ(ui.statuses.back(), "Aguardando arquivo ficar disponivel");
  t.unlock_file();
  EXPECT_EQ(wait_exit(holder), 0);
}

TEST_F(CatalogTest, AppendWaitsForTheOtherTerminal) {
  ASSERT_TRUE(ABERTURA(52));
  Table& t = area(52);
  pid_t holder = hold_lock(t.path(), true, 300);
  select(52);
  EXPECT_TRUE(ADD_REC(5));  // got it when the other let go
  EXPECT_GE(ui.waits, 1);
  t.unlock_all();
  EXPECT_EQ(wait_exit(holder), 0);
}

TEST_F(CatalogTest, TableHeldExclusivelyElsewhereIsRefusedWithoutMessage) {
  ASSERT_TRUE(ABERTURA(53));
  std::string path = area(53).path();
  close_all_slots();
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t holder = spawn([&] {
    close(fds[0]);
    Table t(path, OpenMode::kExclusive);
    (void)!write(fds[1], "1", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    return 0;
  });
  close(fds[1]);
  char c;
  ASSERT_EQ(read(fds[0], &c, 1), 1);
  EXPECT_FALSE(ABERTURA(53));
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_TRUE(ui.infos.empty());
  EXPECT_EQ(wait_exit(holder), 0);
}

TEST_F(CatalogTest, OfficeTablesDropFoldersThatNoLongerExist) {
  fs::create_directories(base.path() + "/gone");
  ASSERT_TRUE(ABERTURA(50));
  Table& list = area(50);
  EXPECT_EQ(list.record_count(), 1u);  // the base folder, marked
  EXPECT_EQ(list.get_text("SELEC"), "S");
  select(50);
  ASSERT_TRUE(ADD_REC(0));
  list.put_text("DIRETOR", base.path() + "/gone");
  list.commit();
  list.unlock_all();
  close_all_slots();
  fs::remove(base.path() + "/gone");
  EXPECT_TRUE(ABERTURA(0));  // the reference tables are missing: reported, not fatal
  Table& again = area(50);
  int alive = 0;
  for (again.go_top(); !again.eof(); again.skip()) ++alive;
  EXPECT_EQ(alive, 1);
  EXPECT_NE(std::find(ui.infos.begin(), ui.infos.end(), u8"Arquivo CODBENS.DBF não existe!"_cp), ui.infos.end());
}

TEST_F(CatalogTest, UpgradeKeepsEveryRecordAndEveryFieldTheNewLayoutStillHas) {
  std::string path = data("IMP0123.DBF");
  std::vector<FieldDesc> old_layout = {store_test::field("CPF", 'C', 11), store_test::field("I3_01", 'N', 15, 2),
                                       store_test::field("OBSOLETO", 'C', 5), store_test::field("DECFINAL", 'C', 1)};
  Table::create(path, old_layout);
  {
    Table t(path, OpenMode::kExclusive);
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(t.append());
      t.put_text("CPF", std::string(11, static_cast<char>('1' + i)));
      t.put_decimal("I3_01", std::to_string(100 + i) + ".25");
      t.put_text("OBSOLETO", "x");
      t.put_text("DECFINAL", "S");
    }
    t.commit();
  }
  store_test::write_file(data("IMP0123.cdx"), "stale index");
  EXPECT_TRUE(VER_ATUAZ(1));
  EXPECT_EQ(ui.infos.back(), u8"ATENÇÃ0! Antes de usar o programa em qualquer"_cp);
  int counter = 0;
  EXPECT_TRUE(CORRIGE("01", &counter));
  EXPECT_EQ(counter, 1);
  EXPECT_FALSE(file_exists(data("IMP0123.cdx")));
  EXPECT_FALSE(file_exists(data("ACERTO.DBF")));
  Table t(path, OpenMode::kShared);
  EXPECT_EQ(t.record_count(), 3u);
  EXPECT_EQ(t.field_index("OBSOLETO"), -1);
  EXPECT_GE(t.field_index("I3_25"), 0);
  t.go_to(3);
  EXPECT_EQ(t.get_text("CPF"), "33333333333");
  EXPECT_EQ(t.get_decimal("I3_01"), "102.25");
  EXPECT_EQ(t.get_text("DECFINAL"), "S");
  EXPECT_EQ(t.get_decimal("I3_25"), "0.00");
  t.close();
  EXPECT_FALSE(CORRIGE("01", &counter));  // already current
  EXPECT_FALSE(VER_ATUAZ(1));
}

TEST_F(CatalogTest, ReorganisingRebuildsOnlyWhereIndexesExisted) {
  ASSERT_TRUE(ABERTURA(2));
  close_all_slots();
  std::string other = base.path() + "/vazia";
  fs::create_directories(other);
  REORG(other, 3);  // no index files there: nothing is opened or created
  EXPECT_TRUE(fs::is_empty(other));
  REORG(catalog_settings().data_folder, 3);  // an index file was there: all 21 tables are opened
  for (int n = 1; n <= 21; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "IMP%02d23.DBF", n);
    EXPECT_TRUE(file_exists(data(name))) << name;
  }
  EXPECT_TRUE(file_exists(resolve_path_nocase(data("IMP0223.cdx"))));
}

TEST_F(CatalogTest, ReindexingPacksEveryFolderOfTheListAndRemovesWorkCopies) {
  // A data folder in the folder list, with a deleted record in its register.
  ASSERT_TRUE(ABERTURA(50));
  select(50);
  ASSERT_TRUE(ADD_REC(0));
  area(50).put_text("DIRETOR", catalog_settings().data_folder);
  area(50).commit();
  area(50).unlock_all();
  ASSERT_TRUE(ABERTURA(9));
  select(9);
  for (const char* cpf : {"11111111111", "22222222222"}) {
    ASSERT_TRUE(ADD_REC(0));
    area(9).put_text("CPF", cpf);
    if (cpf[0] == '2') area(9).delete_record();
    area(9).commit();
    area(9).unlock_all();
  }
  close_slot(9);
  store_test::write_file(base.path() + "/TMP_0904.dbf", "work copy");

  ui.answer_yes = false;  // declining changes nothing
  REINDEXA();
  EXPECT_TRUE(file_exists(base.path() + "/TMP_0904.dbf"));

  ui.answer_yes = true;
  REINDEXA();
  EXPECT_FALSE(file_exists(base.path() + "/TMP_0904.dbf"));
  Table t(data("IMP0923.DBF"), OpenMode::kShared);
  EXPECT_EQ(t.record_count(), 1u);  // packed while its indexes were rebuilt
  EXPECT_TRUE(file_exists(resolve_path_nocase(data("IMP0923B.cdx"))));
  EXPECT_NE(slot(50), nullptr);  // the office tables are open again
}
