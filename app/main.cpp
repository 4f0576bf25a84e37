// Rendax2023: picks a front end and hands control to the shell.
//
//   rendax2023 [terminal]                          the real window (Qt)
//   rendax2023 --headless [--keys=SCRIPT] [--answers=LIST] [--dump=FILE|-] [terminal]
//
//   rendax2023 --create-data-folder=DIR                 creates the 21 declaration tables
//                                                       (and their indexes) in DIR
//
// Headless runs read keys from SCRIPT (ENTER, ESC, F2, ALT+T, TEXT:abc, PICK:Terminar, ...)
// and message-box answers from LIST (YES, NO, CANCEL, OK, CLOSE); when the keys run
// out the program ends. --dump writes the final screen, status line and every message
// box shown.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "platform/headless_console.h"
#include "shell/context.h"
#include "shell/data_files.h"
#include "shell/startup.h"
#include "shell/window_layer.h"
#include "store/catalog.h"
#include "util/codepage.h"
#ifdef RENDAX_HAVE_QT
#include "platform/qt/qt_front_end.h"
#endif

namespace {

struct Options {
  bool headless = false;
  std::string keys, answers, dump, terminal, create_folder;
};

bool take(const char* arg, const char* name, std::string& value) {
  std::size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n) != 0 || arg[n] != '=') return false;
  value = arg + n + 1;
  return true;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--headless") == 0) o.headless = true;
    else if (take(a, "--keys", o.keys) || take(a, "--answers", o.answers) || take(a, "--dump", o.dump) ||
             take(a, "--create-data-folder", o.create_folder))
      continue;
    else if (a[0] != '-') o.terminal = a;
  }
  return o;
}

int run_shell(platform::Console& console, const std::string& terminal) {
  shell::set_console(&console);
  shell::start_window_layer();
  shell::connect_data_files();
  int code = shell::MAIN(terminal);
  shell::reset_window_layer();
  shell::set_console(nullptr);
  return code;
}

int run_headless(const Options& o) {
  platform::HeadlessConsole console;
  try {
    console.add_keys(o.keys);
    console.add_answers(o.answers);
  } catch (const std::invalid_argument& e) {
    std::cerr << "rendax2023: " << e.what() << "\n";
    return 2;
  }
  int code = run_shell(console, o.terminal);
  if (!o.dump.empty()) {
    if (o.dump == "-") {
      std::cout << console.report();
    } else {
      std::ofstream out(o.dump, std::ios::binary);
      out << console.report();
    }
  }
  return code;
}

// What the store says while creating tables from the command line goes to stderr.
class ConsoleStoreUi : public store::StoreUi {
 public:
  void status(const std::string&, bool) override {}
  void clear_status() override {}
  void progress(const std::string&) override {}
  void close_progress() override {}
  void information(const std::vector<std::string>& lines, const std::string&) override { print(lines); }
  void error(const std::vector<std::string>& lines, const std::string&) override { print(lines); }
  bool ask_yes_no(const std::vector<std::string>&, const std::string&) override { return false; }
  bool esc_pressed() override { return false; }
  void wait_half_second() override {}

 private:
  static void print(const std::vector<std::string>& lines) {
    for (const auto& l : lines) std::cerr << "rendax2023: " << util::cp850_to_utf8(l) << "\n";
  }
};

int create_data_folder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) {
    std::cerr << "rendax2023: cannot create the folder " << folder << "\n";
    return 2;
  }
  ConsoleStoreUi ui;
  store::set_store_ui(&ui);
  auto& s = store::catalog_settings();
  s.data_folder = s.base_folder = s.work_folder = std::filesystem::absolute(folder).string();
  int failed = 0;
  for (int n = 1; n <= 21; ++n) {
    if (!store::ABERTURA(n)) ++failed;
    store::close_slot(n);
  }
  store::set_store_ui(nullptr);
  if (failed) return 1;
  std::cout << "21 declaration tables ready in " << s.data_folder << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o = parse(argc, argv);
  if (!o.create_folder.empty()) return create_data_folder(o.create_folder);
  if (o.headless) return run_headless(o);
#ifdef RENDAX_HAVE_QT
  return platform::run_qt_front_end(argc, argv,
                                    [&](platform::Console& console) { return run_shell(console, o.terminal); });
#else
  std::cerr << "rendax2023: built without the window front end; run it with --headless\n";
  return 2;
#endif
}
