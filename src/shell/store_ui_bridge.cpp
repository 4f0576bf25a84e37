#include "shell/store_ui_bridge.h"

#include <chrono>
#include <thread>

#include "platform/keys.h"
#include "shell/context.h"
#include "shell/messages.h"
#include "shell/text_windows.h"

namespace shell {

void ShellStoreUi::status(const std::string& text, bool centred) {
  if (!centred || text.size() >= 80) {
    MENS(0, text);
    return;
  }
  MENS(0, std::string((80 - text.size()) / 2, ' ') + text);
}

void ShellStoreUi::clear_status() { MENS(0); }

void ShellStoreUi::progress(const std::string& text) { MENS(13, text); }

void ShellStoreUi::close_progress() { FECHAJAN(10); }

void ShellStoreUi::information(const std::vector<std::string>& lines, const std::string& title) {
  AVISOSN(lines, 0, {}, title);
}

void ShellStoreUi::error(const std::vector<std::string>& lines, const std::string& title) {
  AVISOSN(lines, 8, {}, title);
}

bool ShellStoreUi::ask_yes_no(const std::vector<std::string>& lines, const std::string& title) {
  return AVISOSN(lines, 2, {}, title) == "S";
}

bool ShellStoreUi::esc_pressed() {
  auto& c = console();
  if (!c.event_pending()) return false;
  platform::Event e = c.wait_event(0);
  if (e.kind == platform::EventKind::Key && e.code == platform::keys::kEsc) return true;
  if (e.kind == platform::EventKind::Key) c.push_key(e.code);  // not ours: the next read gets it
  if (e.kind == platform::EventKind::Quit) throw platform::FrontEndGone();
  return false;
}

void ShellStoreUi::wait_half_second() { std::this_thread::sleep_for(std::chrono::milliseconds(500)); }

void install_store_ui() {
  static ShellStoreUi ui;
  store::set_store_ui(&ui);
}

}  // namespace shell
