#pragma once
// What the table store tells the user, shown by the shell: the status line, the framed
// progress message in window 10, message boxes, Esc during lock waits.
#include "store/catalog.h"

namespace shell {

class ShellStoreUi : public store::StoreUi {
 public:
  void status(const std::string& text, bool centred) override;
  void clear_status() override;
  void progress(const std::string& text) override;
  void close_progress() override;
  void information(const std::vector<std::string>& lines, const std::string& title) override;
  void error(const std::vector<std::string>& lines, const std::string& title) override;
  bool ask_yes_no(const std::vector<std::string>& lines, const std::string& title) override;
  bool esc_pressed() override;
  void wait_half_second() override;
};

// Installs the shell's interface for the store (once per run).
void install_store_ui();

}  // namespace shell
