#pragma once
// The shell fixture with a real data layout in a temporary folder: base, data and work
// folders, this terminal's configuration record and the office definitions record.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "shell/main_menu.h"
#include "shell_fixture.h"
#include "store/catalog.h"

class MenuTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    static std::atomic<int> serial{0};
    dir = std::filesystem::temp_directory_path() /
          ("rendax_menu_" + std::to_string(getpid()) + "_" + std::to_string(serial++));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "dados");
    std::filesystem::create_directories(dir / "trab");
    auto& s = store::catalog_settings();
    s = store::CatalogSettings{};
    s.base_folder = dir.string();
    s.data_folder = (dir / "dados").string();
    s.work_folder = (dir / "trab").string();
    auto& g = shell::G();
    g.NUSU = "00";
    g.ROTADEF = dir.string();
    g.ROTADOANO = s.data_folder;
    g.LOCARQ = s.data_folder + "/";
    g.DIRTRAB = s.work_folder;
    g.LOCTRAB = s.work_folder + "/";
    ASSERT_TRUE(store::ABERTURA(42));
    ASSERT_TRUE(store::ADD_REC(5));
    store::area(42).put_text("NRO_TERM", "00");
    store::area(42).commit();
    store::area(42).unlock_all();
    store::close_slot(42);
    ASSERT_TRUE(store::ABERTURA(43));
    ASSERT_TRUE(store::ADD_REC(5));
    store::area(43).commit();
    store::area(43).unlock_all();
    store::close_slot(43);
  }
  void TearDown() override {
    store::close_all_slots();
    shell::reset_main_menu();
    ShellTest::TearDown();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  // A field of this terminal's configuration record as stored.
  std::string terminal_field(const char* field) {
    store::Table t((dir / "CONFIG.DBF").string(), store::OpenMode::kReadOnly);
    for (t.go_top(); !t.eof(); t.skip())
      if (t.get_text("NRO_TERM") == "00") return t.get_text(field);
    return "(no record)";
  }
  std::string office_field(const char* field) {
    store::Table t((dir / "DEFINE.DBF").string(), store::OpenMode::kReadOnly);
    t.go_top();
    return t.eof() ? "(no record)" : t.get_text(field);
  }
  std::size_t message_count() const { return console.messages().size(); }

  std::filesystem::path dir;
};
