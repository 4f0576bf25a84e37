#include "shell/window_layer.h"

#include <algorithm>
#include <cstdlib>

#include "platform/keys.h"
#include "shell/colours.h"
#include "util/codepage.h"

namespace shell {
namespace {

namespace k = platform::keys;

struct LayerState {
  std::vector<LDialog*> stack;                     // open windows in opening order
  std::vector<std::unique_ptr<LDialog>> owned;     // dialogs made by LDLGSHOW
  LWindowMain* main = nullptr;
  std::unique_ptr<LWindowMain> main_owner;
  std::vector<LMenu*> menus;             // every live menu and status bar, so that a
  std::vector<LStatusBar*> status_bars;  // window going away can forget them
  int last_key = 0;
};

// Never destroyed: menus and windows held in other static objects may go away after it.
LayerState& layer() {
  static LayerState* state = new LayerState;
  return *state;
}

std::string native(const std::string& cp850) { return util::cp850_to_cp1252(cp850); }

platform::Rect rect_of(const LDialog& d) { return platform::Rect{d.nTop, d.nLeft, d.nBottom, d.nRight}; }

void collect_nodes(const std::vector<std::unique_ptr<LMenuItem>>& items, std::vector<platform::MenuNode>& out) {
  for (const auto& item : items) {
    platform::MenuNode node;
    node.id = item->nSequence;
    node.text = native(item->cPrompt);
    node.enabled = item->lEnable();
    node.separator_after = item->lSeparator;
    if (item->lSubMenu()) collect_nodes(item->aSub, node.children);
    out.push_back(std::move(node));
  }
}

LMenuItem* find_item(const std::vector<std::unique_ptr<LMenuItem>>& items, int number) {
  for (const auto& item : items) {
    if (item->nSequence == number) return item.get();
    if (item->lSubMenu())
      if (LMenuItem* found = find_item(item->aSub, number)) return found;
  }
  return nullptr;
}

LButton* find_button(int id) {
  for (LDialog* d : layer().stack)
    for (LButton* b : d->aControls)
      if (b->nId == id) return b;
  return nullptr;
}

void redraw_status_bars() {
  for (LDialog* d : layer().stack)
    if (d->oStatusBar) d->oStatusBar->draw();
}

}  // namespace

void layer_diagnostic(const std::string& text) {
  if (!has_console()) return;
  console().message_box(native(text), "Rendax2023", platform::MessageIcon::Warning, platform::MessageButtons::Ok);
}

// ---------------------------------------------------------------- LDialog

LDialog::LDialog(int top, int left, int bottom, int right) : nTop(top), nLeft(left), nBottom(bottom), nRight(right) {
  auto& screen = console().screen();
  saved_cursor_shape_ = static_cast<int>(screen.cursor_shape());
  saved_cursor_row_ = screen.cursor_row();
  saved_cursor_col_ = screen.cursor_col();
  nHandleActive = console().active_window();
  layer().stack.push_back(this);
}

LDialog::LDialog(bool) : nWnd(0) {
  nHandle = 0;
  nHandleActive = 0;
  lBoxClose = false;
  lBoxMaximize = true;
  layer().stack.push_back(this);
}

LDialog::~LDialog() {
  if (has_console() && nHandle > 0 && !lClosed) console().close_window(nHandle);
  // Menus and status bars may outlive their window.
  for (LMenu* m : layer().menus)
    if (m->oParent == this) m->oParent = nullptr;
  for (LStatusBar* b : layer().status_bars)
    if (b->oParent == this) b->oParent = nullptr;
  for (LButton* b : aControls) b->oParent = nullptr;
  std::erase(layer().stack, this);
}

void LDialog::ghost() { lShow = false; }

bool LDialog::create() {
  if (nHandle >= 0) return true;
  platform::WindowSpec desc;
  desc.cells = rect_of(*this);
  desc.title = native(title_);
  desc.close_box = lBoxClose;
  desc.system_menu = lBoxSysMenu;
  desc.caption = lCaption;
  desc.colour = attribute_of(cColor.empty() ? csColorWin : cColor);
  desc.font_name = cFontName;
  int handle = console().open_window(desc);
  if (handle < 0) {
    layer_diagnostic("Erro ao criar a janela\n" + title_ + "\n" + std::to_string(nTop) + "," + std::to_string(nLeft) +
                     "," + std::to_string(nBottom) + "," + std::to_string(nRight));
    return false;
  }
  nHandle = handle;
  nWnd = handle;
  return true;
}

void LDialog::control(LButton* button) {
  if (std::find(aControls.begin(), aControls.end(), button) == aControls.end()) aControls.push_back(button);
}

void LDialog::showWindow() {
  if (!create()) return;
  lShow = true;
  setFont();
  console().activate_window(nHandle);
  console().present();
}

void LDialog::activate() {
  if (LWINDOWACTIVE() == nullptr) {
    layer_diagnostic(":activate() ignored. Window active not found.");
    return;
  }
  nExit = 0;
  while (true) {
    int key = read_key(-1);
    if (key != 0) {
      if (auto action = key_bindings().get(key)) action();
    }
    if (nExit > 0) break;
    if (key == k::kEsc && lExitEsc) break;
  }
}

void LDialog::cancel() {
  nExit = 1;
  nEnd = 0;
  end_current_read(true);
  console().clear_typeahead();
  console().push_key(k::kEsc);
}

void LDialog::end(int value) {
  nExit = 2;
  nEnd = value;
  if (read_in_progress()) end_current_read(false);
  else console().push_key(k::kEnter);
}

void LDialog::killTimer() {
  if (nTimer > 0 && nHandle >= 0) console().set_timer(nHandle, 0);
  nTimer = -1;
}

bool LDialog::close() {
  if (lClosed) {
    layer_diagnostic(":close() window ignored. Window closed.");
    return false;
  }
  if (nWnd < 0) {
    layer_diagnostic(":close() window ignored. nWnd invalid ");
    return false;
  }
  if (LWINDOWACTIVE() != this) {
    layer_diagnostic(":close() window ignored. :nHandle not active.");
    return false;
  }
  if (reading()) {
    layer_diagnostic(":close() window ignored. Gets actives, uses :end() or :cancel().");
    return false;
  }
  lClosed = true;
  killTimer();
  if (nHandle > 0) console().close_window(nHandle);
  auto& screen = console().screen();
  screen.set_cursor_shape(static_cast<platform::CursorShape>(saved_cursor_shape_));
  screen.set_cursor(saved_cursor_row_, saved_cursor_col_);
  // Bindings changed through this window get their earlier actions back, latest first.
  for (auto it = aSetKey.rbegin(); it != aSetKey.rend(); ++it) key_bindings().set(it->key, it->earlier);
  aSetKey.clear();
  console().clear_typeahead();
  std::erase(layer().stack, this);
  if (nHandleActive >= 0) console().activate_window(nHandleActive);
  console().present();
  return true;
}

void LDialog::sbDraw() {
  if (oStatusBar) oStatusBar->draw();
}

void LDialog::sbReset() {
  if (oStatusBar) oStatusBar->reset();
}

bool LDialog::setFont(std::optional<std::string> name, std::optional<int> height, std::optional<int> width) {
  std::string n;
  int h = 0, w = 0;
  if (!name && !height && !width) {
    LWindowMain* main = layer().main;
    if (nsFontDecrease == 0 && !cFontName.empty()) {
      n = cFontName, h = nFontHeight, w = nFontWidth;
    } else if (main && main != this && main->nsMaxFontHeight > 0 && nsFontDecrease >= 50) {
      n = cFontName.empty() ? csFontName : cFontName;
      h = main->nsMaxFontHeight * nsFontDecrease / 100;
      w = main->nsMaxFontWidth * nsFontDecrease / 100;
    } else {
      n = csFontName, h = nsFontHeight, w = nsFontWidth;
    }
  } else {
    n = name.value_or(csFontName);
    h = height.value_or(nsFontHeight);
    w = width.value_or(nsFontWidth);
  }
  if (h <= 0 || w <= 0) return false;  // no font known yet: the window keeps its own
  if (nHandle < 0 || !console().set_font(nHandle, n, h, w)) return false;
  cFontName = n;
  nFontHeight = h;
  nFontWidth = w;
  if (oStatusBar) oStatusBar->create();
  return true;
}

void LDialog::setStyle(int style) { nStyle = style; }

void LDialog::setMode(int rows, int columns) {
  nBottom = nTop + rows - 1;
  nRight = nLeft + columns - 1;
}

void LDialog::setTimer(int seconds) {
  nTimer = seconds;
  if (nHandle >= 0) console().set_timer(nHandle, seconds);
}

void LDialog::setKey(int key, KeyAction action) {
  KeyAction earlier = key_bindings().set(key, std::move(action));
  aSetKey.push_back(SavedKey{key, std::move(earlier)});
}

void LDialog::cTitle(const std::string& title) {
  title_ = title;
  if (nHandle > 0) console().set_window_title(nHandle, native(title));
}

int LDialog::computed_style() const {
  if (nStyle != -1) return nStyle;
  // Native flags: caption, system menu, minimise box, maximise box, border, scroll bars.
  constexpr int kCaption = 0x00C00000, kSysMenu = 0x00080000, kMinBox = 0x00020000, kMaxBox = 0x00010000,
                kBorder = 0x00800000, kHScroll = 0x00100000, kVScroll = 0x00200000;
  int style = 0;
  if (lCaption) style += kCaption;
  if (lBoxSysMenu) style += kSysMenu;
  if (lBoxMinimize) style += kMinBox;
  if (lBoxMaximize) style += kMaxBox;
  if (lBorder) style += kBorder;
  if (lScrollH) style += kHScroll;
  if (lScrollV) style += kVScroll;
  return style;
}

ReadEnd LDialog::readmodal(std::vector<GetField>& fields, int start) {
  if (lGetUpperCase)
    for (auto& f : fields)
      if (f.type == 'C' && f.picture.empty() && !f.button) f.picture = "@!";
  ReadOptions options;
  options.exit_on_esc = lExitEsc;
  if (!csColorGet.empty()) {
    options.colour = attribute_of(csColorGet);
    options.active_colour = attribute_of(csColorGetActive);
  }
  bool revalidate = nsValidRead == 1 || (nsValidRead == 0 && (lsMouseEvents || !aControls.empty()));
  aGetList = &fields;
  struct Clear {
    LDialog* d;
    ~Clear() { d->aGetList = nullptr; }
  } clear{this};
  console().screen().set_cursor_shape(platform::CursorShape::Block);
  options.start = start;
  while (true) {
    ReadEnd end = read_fields(fields, options);
    if (end == ReadEnd::Cancelled) return end;
    if (end == ReadEnd::Escaped) {
      if (lExitEsc) return end;
      options.start = 0;
      continue;
    }
    if (!revalidate) return end;
    // Re-check every field in order; the form reopens at the first that fails.
    int failing = -1;
    for (std::size_t i = 0; i < fields.size() && failing < 0; ++i) {
      auto& f = fields[i];
      if (f.button) continue;
      if (f.when && !f.when(f)) continue;
      if (f.valid && !f.valid(f)) failing = static_cast<int>(i);
    }
    if (failing < 0) return end;
    options.start = failing;
    nExit = 0;
  }
}

// ---------------------------------------------------------------- LWindowMain

LWindowMain::LWindowMain() : LDialog(true) {}

LWindowMain& LWindowMain::load() {
  if (!layer().main) {
    layer().main_owner.reset(new LWindowMain());
    layer().main = layer().main_owner.get();
  }
  return *layer().main;
}

bool LWindowMain::maxFontSize() {
  int width = std::max(nFontWidth, 9);
  std::string name = cFontName.empty() ? csFontName : cFontName;
  int height = 0;
  for (int h = 40; h >= 9 && height == 0; --h)
    if (console().set_font(0, name, h, width)) height = h;
  if (height == 0) return false;
  int best_width = 0;
  for (int w = 40; w >= 9 && best_width == 0; --w)
    if (console().set_font(0, name, height, w)) best_width = w;
  if (best_width == 0) best_width = width;
  console().set_font(0, name, height, best_width);
  nsMaxFontHeight = nFontHeight = height;
  nsMaxFontWidth = nFontWidth = best_width;
  cFontName = name;
  if (oStatusBar) oStatusBar->create();
  for (LDialog* d : layer().stack)
    if (d != this) d->setFont();
  return true;
}

// ---------------------------------------------------------------- menus

void LMenuItem::lEnable(bool enabled) {
  enabled_ = enabled;
  if (oParent && oParent->nMenu >= 0 && oParent->oParent)
    console().enable_menu_item(std::max(oParent->oParent->nHandle, 0), nSequence, enabled);
}

void LMenuItem::action(LDialog& window) {
  if (!bAction) {
    layer_diagnostic("Error!! Action is not defined in menuItem");
    return;
  }
  bAction(*this, window);
}

LMenu::LMenu(LDialog* window) {
  oParent = window ? window : LWINDOWLAST();
  nWnd = oParent ? oParent->nWnd : 0;
  levels_.push_back(&aItem);
  layer().menus.push_back(this);
}

LMenu::~LMenu() {
  std::erase(layer().menus, this);
  if (oParent && oParent->oMenu == this) {
    if (created_ && has_console()) console().remove_menu(std::max(oParent->nHandle, 0));
    oParent->oMenu = nullptr;
  }
}

LMenuItem* LMenu::menuItem(const std::string& prompt, LMenuItem::Action action, bool enabled) {
  auto item = std::make_unique<LMenuItem>();
  item->oParent = this;
  item->nSequence = ++nCount;
  item->cPrompt = prompt;
  item->bAction = std::move(action);
  item->enabled_ = enabled;
  oItem = item.get();
  levels_.back()->push_back(std::move(item));
  return oItem;
}

LMenuItem* LMenu::subMenu(const std::string& prompt) {
  LMenuItem* item = menuItem(prompt);
  item->isSubMenu_ = true;
  levels_.push_back(&item->aSub);
  ++nLevel;
  return item;
}

void LMenu::endMenu() {
  if (levels_.size() > 1) {
    levels_.pop_back();
    --nLevel;
    // The submenu itself is the last item of the level it closes into.
    oItem = levels_.back()->empty() ? nullptr : levels_.back()->back().get();
  }
}

void LMenu::separator() {
  if (oItem) oItem->lSeparator = true;
}

void LMenu::create() {
  std::vector<platform::MenuNode> nodes;
  collect_nodes(aItem, nodes);
  int handle = oParent ? std::max(oParent->nHandle, 0) : 0;
  console().set_menu(handle, nodes);
  nMenu = handle;
  created_ = true;
  if (oParent) oParent->oMenu = this;
}

LMenuItem* LMenu::find(int number) { return find_item(aItem, number); }

bool LMenu::event(int number) {
  LMenuItem* item = find(number);
  if (!item) return false;
  LDialog* window = oParent ? oParent : LWINDOWACTIVE();
  if (!window) return false;
  item->action(*window);
  return true;
}

// ---------------------------------------------------------------- status bar

std::string LSBPart::cText() const {
  if (auto* fn = std::get_if<TextFn>(&uText)) return (*fn)();
  return std::get<std::string>(uText);
}

void LSBPart::setText(const std::string& text) {
  uText = text;
  changed_ = true;
  if (oParent) oParent->draw();
}

void LSBPart::refresh() {
  changed_ = true;
  if (oParent) oParent->draw();
}

LStatusBar::LStatusBar(LDialog* window) {
  oParent = window ? window : LWINDOWLAST();
  nWnd = oParent ? oParent->nWnd : 0;
  layer().status_bars.push_back(this);
}

LStatusBar::~LStatusBar() {
  std::erase(layer().status_bars, this);
  if (oParent && oParent->oStatusBar == this) oParent->oStatusBar = nullptr;
}

LSBPart* LStatusBar::partAdd(const std::variant<std::string, LSBPart::TextFn>& text, const std::string& tooltip,
                             const std::string& icon, int width) {
  auto part = std::make_unique<LSBPart>();
  part->oParent = this;
  part->uText = text;
  part->cToolTip = tooltip;
  part->cIcon = icon;
  part->nWidth = width;
  part->nIndex = static_cast<int>(aPart.size()) + 1;
  aPart.push_back(std::move(part));
  return aPart.back().get();
}

void LStatusBar::create() {
  if (!oParent) return;
  int handle = std::max(oParent->nHandle, 0);
  if (nSB >= 0) console().remove_status_bar(handle);
  std::vector<platform::StatusPart> parts;
  for (auto& p : aPart) {
    std::string text = p->cText();
    parts.push_back(platform::StatusPart{native(text), native(p->cToolTip),
                                         p->nWidth > 0 ? p->nWidth : static_cast<int>(text.size())});
    p->shown_ = text;
    p->changed_ = false;
  }
  console().set_status_bar(handle, parts);
  nSB = handle;
  oParent->oStatusBar = this;
  if (oParent->nTimer <= 0) oParent->setTimer(1);
}

void LStatusBar::draw() {
  if (!oParent || nSB < 0) return;
  for (auto& p : aPart) {
    if (!p->changed_ && !p->lRefresh()) continue;
    std::string text = p->cText();
    if (text != p->shown_ || p->changed_) console().set_status_text(nSB, p->nIndex - 1, native(text));
    p->shown_ = text;
    p->changed_ = false;
  }
  console().present();
}

void LStatusBar::reset() {
  for (auto& p : aPart) p->changed_ = true;
  draw();
}

void LStatusBar::destroy() {
  if (oParent && nSB >= 0) console().remove_status_bar(nSB);
  nSB = -1;
}

// ---------------------------------------------------------------- buttons

LButton::LButton(int top, int left, const std::string& caption, Action action, LDialog* window,
                 std::vector<GetField>* fields, std::function<bool()> when, bool enabled)
    : bAction(std::move(action)), bWhen(std::move(when)), enabled_(enabled) {
  oParent = window ? window : LWINDOWLAST();
  auto& screen = console().screen();
  if (top == -999) top = screen.cursor_row(), left = screen.cursor_col();
  if (top < 0 && oParent) top = oParent->nBottom + 1 + top;
  std::string label = caption;
  if (auto amp = label.find('&'); amp != std::string::npos && amp + 1 < label.size())
    cShortcut = std::string(1, label[amp + 1]);
  std::string visible;
  for (char c : label)
    if (c != '&') visible += c;
  if (visible.size() < 10 && !visible.empty() && visible.front() != ' ' && visible.back() != ' ') {
    std::size_t pad = 10 - visible.size();
    label = std::string(pad / 2, ' ') + label + std::string(pad - pad / 2, ' ');
    visible = std::string(pad / 2, ' ') + visible + std::string(pad - pad / 2, ' ');
  }
  cCaption = label;
  nTop = nBottom = top + asOffSet[0];
  nLeft = left + asOffSet[1];
  nRight = nLeft + static_cast<int>(visible.size()) + 1;
  int highest = 0;
  if (oParent) {
    for (LButton* b : oParent->aControls) highest = std::max(highest, b->nButton);
    oParent->control(this);
  }
  nButton = highest + 1;
  if (fields) {
    GetField hidden;
    hidden.row = nTop;
    hidden.col = nLeft;
    hidden.button = this;
    hidden.when = [this](GetField&) { return enabled_ && (!bWhen || bWhen()); };
    fields->push_back(hidden);
  }
}

LButton::~LButton() {
  destroy();
  if (oParent) std::erase(oParent->aControls, this);
}

void LButton::create() {
  if (nId >= 0 || !oParent) return;
  nId = console().create_button(std::max(oParent->nHandle, 0), platform::Rect{nTop, nLeft, nBottom, nRight},
                                native(cCaption));
  nWnd = oParent->nWnd;
  if (!enabled_) console().enable_button(nId, false);
}

void LButton::destroy() {
  if (nId >= 0 && has_console()) console().destroy_button(nId);
  nId = -1;
}

void LButton::setFocus() {
  lHasFocus = true;
  if (nId >= 0) console().focus_button(nId);
}

void LButton::disable() {
  enabled_ = false;
  if (nId >= 0) console().enable_button(nId, false);
}

void LButton::enable() {
  enabled_ = true;
  if (nId >= 0) console().enable_button(nId, true);
}

void LButton::action() {
  setFocus();
  if (bAction && oParent) bAction(*this, *oParent);
  if (oParent) oParent->nLastButton = nButton;
}

// ---------------------------------------------------------------- operations

LDialog* LDLGSHOW(int top, int left, int bottom, int right, const std::string& title) {
  auto dialog = std::make_unique<LDialog>(top, left, bottom, right);
  dialog->cTitle(title);
  dialog->showWindow();
  LDialog* raw = dialog.get();
  layer().owned.push_back(std::move(dialog));
  return raw;
}

void LDLGCLOSE() {
  LDialog* active = LWINDOWACTIVE();
  if (!active) {
    layer_diagnostic(":close() ignored. Window active not found.");
    return;
  }
  if (!active->close()) return;
  auto& owned = layer().owned;
  auto it = std::find_if(owned.begin(), owned.end(), [&](auto& p) { return p.get() == active; });
  if (it != owned.end()) owned.erase(it);
}

void LDLGEND() {
  LDialog* active = LWINDOWACTIVE();
  if (!active) {
    layer_diagnostic(":end() ignored. Window active not found.");
    return;
  }
  active->end();
}

void LACTIVATE(std::optional<bool> exit_on_esc) {
  LDialog* active = LWINDOWACTIVE();
  if (!active) {
    layer_diagnostic(":activate() ignored. Window active not found.");
    return;
  }
  if (exit_on_esc) active->lExitEsc = *exit_on_esc;
  active->activate();
}

LDialog* LWINDOWACTIVE() {
  auto& stack = layer().stack;
  if (stack.empty()) return nullptr;
  int handle = has_console() ? console().active_window() : 0;
  for (auto it = stack.rbegin(); it != stack.rend(); ++it)
    if ((*it)->nHandle == handle && !(*it)->lClosed) return *it;
  // A window not yet shown is active while it is the last opened.
  return stack.back()->nHandle < 0 ? stack.back() : nullptr;
}

LDialog* LWINDOWLAST() {
  auto& stack = layer().stack;
  return stack.empty() ? nullptr : stack.back();
}

const std::vector<LDialog*>& LWINDOWLIST() { return layer().stack; }

bool LMAXSCREEN() { return LWindowMain::load().maxFontSize(); }

LStatusBar* LSBDRAW(const std::vector<std::string>& texts) {
  LDialog* window = LWINDOWLAST();
  if (!window) return nullptr;
  static std::vector<std::unique_ptr<LStatusBar>> owned;
  // The window's earlier status bar made here is replaced.
  std::erase_if(owned, [&](auto& sb) { return sb->oParent == window; });
  auto bar = std::make_unique<LStatusBar>(window);
  for (const auto& t : texts) bar->partAdd(t);
  bar->create();
  bar->draw();
  owned.push_back(std::move(bar));
  return owned.back().get();
}

ReadEnd LREADMODAL(std::vector<GetField>& fields) {
  LDialog* active = LWINDOWACTIVE();
  if (!active) active = &LWindowMain::load();
  return active->readmodal(fields);
}

std::uint32_t LPALETTE(const std::string& colour, long rgb) {
  int index = palette_index(colour);
  if (index < 0) return 0;
  std::uint32_t before = console().palette(index);
  if (rgb >= 0) console().set_palette(index, static_cast<std::uint32_t>(rgb));
  return before;
}

void LGETCLIPBOARD() { paste_into_current_field(util::cp1252_to_cp850(console().clipboard_text())); }

void LSETCLIPBOARD() {
  if (const GetField* f = current_field()) console().set_clipboard_text(native(trimmed_value(*f)));
}

int NAFTERINKEY(int key) {
  if (key != k::kMenuEvent) return key;
  int number = console().last_menu_event();
  if (number >= 1000 && number <= 1999) {
    LMenu* menu = nullptr;
    if (LDialog* active = LWINDOWACTIVE(); active && active->oMenu) menu = active->oMenu;
    for (auto it = layer().stack.rbegin(); !menu && it != layer().stack.rend(); ++it) menu = (*it)->oMenu;
    if (!menu) layer_diagnostic("Erro interno. Nao foi encontrado um menu ativo (LMenuActivate)");
    else menu->event(number);
  } else {
    layer_diagnostic("nMenuChecker, nEvent:" + std::to_string(number) + " " + std::to_string(layer().last_key));
  }
  return 0;
}

int read_key(int timeout_ms) {
  platform::Event e = console().wait_event(timeout_ms);
  switch (e.kind) {
    case platform::EventKind::Timeout: return 0;
    case platform::EventKind::Quit: throw platform::FrontEndGone();
    case platform::EventKind::Timer: redraw_status_bars(); return 0;
    case platform::EventKind::Close: layer().last_key = k::kEsc; return k::kEsc;
    case platform::EventKind::Menu: return NAFTERINKEY(k::kMenuEvent);
    case platform::EventKind::Button:
      if (LButton* b = find_button(e.code); b && b->lEnable() && (!b->bWhen || b->bWhen())) b->action();
      return 0;
    case platform::EventKind::Key:
      if (e.row >= 0) last_mouse() = MousePosition{e.row, e.col};
      layer().last_key = e.code;
      return NAFTERINKEY(e.code);
  }
  return 0;
}

void start_window_layer() {
  // Palette changes: red pure, white warmer, blue softer.
  LPALETTE("R", 0xFF0000);
  LPALETTE("R*", 0xFF0000);
  LPALETTE("W", 0xEFEBDE);
  LPALETTE("B", 0x396DA5);
  LPALETTE("B*", 0x396DA5);
  auto& screen = console().screen();
  screen.set_cursor_shape(platform::CursorShape::Hidden);
  LWindowMain::load();
  // Ctrl+V (code 22, shared with Ins) pastes and Ctrl+C (code 3, shared with PgDn) copies.
  key_bindings().set(k::kCtrlV, [] { LGETCLIPBOARD(); });
  key_bindings().set(k::kCtrlC, [] { LSETCLIPBOARD(); });
  screen.fill(platform::Rect{}, ' ', attribute_of("N/W"));
  console().present();
}

void reset_window_layer() {
  auto& state = layer();
  state.owned.clear();
  state.main_owner.reset();
  state.main = nullptr;
  state.stack.clear();
  key_bindings().clear();
}

}  // namespace shell
