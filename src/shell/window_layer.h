#pragma once
// The window layer: native windows holding parts of the character-cell grid.
// LDialog (a window), LWindowMain (the main window), LMenu / LMenuItem (native menu
// bar with numbered items), LStatusBar / LSBPart (status bar with parts), LButton
// (push buttons that take a place in a form). Output always addresses the main grid.
#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/console.h"
#include "shell/context.h"
#include "shell/get_field.h"

namespace shell {

class LDialog;
class LMenu;
class LMenuItem;
class LStatusBar;
class LButton;

// Diagnostic box for misuse of the layer (developer-facing).
void layer_diagnostic(const std::string& text);

class LDialog {
 public:
  // Class-wide settings.
  static inline std::string csColorWin = "N/W";
  static inline std::string csColorGet = "N/W*";
  static inline std::string csColorGetActive = "W*/B";
  static inline int nsValidRead = 0;
  static inline int nsFontDecrease = 85;
  static inline int nsParentWin = -2;
  static inline std::string csFontName;
  static inline int nsFontHeight = 0;
  static inline int nsFontWidth = 0;
  static inline bool lsShortCuts = true;
  static inline bool lsMainCoord = true;
  // Whether mouse events are on (event masks 159 or 255 in the design).
  static inline bool lsMouseEvents = false;

  std::string ClassType = "WINDOW";
  std::any Cargo;
  std::string cColor;
  std::string cFontName;
  int nFontHeight = 0, nFontWidth = 0;
  std::vector<GetField>* aGetList = nullptr;
  std::vector<LButton*> aControls;
  struct SavedKey {
    int key;
    KeyAction earlier;
  };
  std::vector<SavedKey> aSetKey;
  bool lBoxMaximize = false, lBoxMinimize = true, lBoxClose = false, lBoxSysMenu = false;
  bool lCaption = true, lBorder = false, lScrollH = false, lScrollV = false;
  bool lShow = false, lClosed = false;
  bool lExitEsc = true;
  bool lGetUpperCase = false;
  int nHandle = -1;
  int nHandleActive = -1;
  int nWnd = -1;
  int nTop = 0, nLeft = 0, nBottom = platform::kRows - 1, nRight = platform::kCols - 1;
  int nStyle = -1;
  int nTimer = -1;
  int nLastButton = 0;
  int nExit = 0;
  int nEnd = 0;
  LMenu* oMenu = nullptr;
  LStatusBar* oStatusBar = nullptr;

  // new(top, left, bottom, right): pushes the window on the stack.
  LDialog(int top = 0, int left = 0, int bottom = platform::kRows - 1, int right = platform::kCols - 1);
  virtual ~LDialog();
  LDialog(const LDialog&) = delete;
  LDialog& operator=(const LDialog&) = delete;

  void ghost();
  bool create();
  void control(LButton* button);
  void showWindow();
  // Waits in the window: bound keys run, the wait ends on end()/cancel() or Esc.
  void activate();
  void cancel();
  void killTimer();
  bool close();
  void end(int value = 0);
  void sbDraw();
  void sbReset();
  void setShortCuts(bool on) { lsShortCuts = on; }
  bool setFont(std::optional<std::string> name = {}, std::optional<int> height = {}, std::optional<int> width = {});
  void setStyle(int style);
  void setMode(int rows, int columns);
  std::pair<int, int> maxRowCol() const { return {nBottom - nTop, nRight - nLeft}; }
  void setTimer(int seconds);
  void setKey(int key, KeyAction action);
  void setColor(const std::string& colour) { cColor = colour; }
  void delGetList() { aGetList = nullptr; }
  ReadEnd readmodal(std::vector<GetField>& fields, int start = 0);
  void getClear() { aGetList = nullptr; }
  void getClearAll() { aGetList = nullptr; }
  std::string cTitle() const { return title_; }
  void cTitle(const std::string& title);
  void destroy() { close(); }

  // The native style computed from the decoration flags.
  int computed_style() const;
  bool reading() const { return aGetList != nullptr; }

 protected:
  explicit LDialog(bool main_window);
  std::string title_;
  int saved_cursor_shape_ = 0;
  int saved_cursor_row_ = 0, saved_cursor_col_ = 0;
};

class LWindowMain : public LDialog {
 public:
  // The main window object (nWnd 0). Created once by the program's start.
  static LWindowMain& load();
  bool maxFontSize();
  int nsMaxFontHeight = 0, nsMaxFontWidth = 0;

 private:
  LWindowMain();
};

class LMenuItem {
 public:
  using Action = std::function<void(LMenuItem&, LDialog&)>;
  LMenu* oParent = nullptr;
  int nMenu = -1;
  int nSequence = 0;
  std::string cPrompt;   // CP850; '&' marks the accelerator
  Action bAction;
  std::vector<std::unique_ptr<LMenuItem>> aSub;  // a submenu's items
  bool lSeparator = false;
  std::any cargo;
  bool lSubMenu() const { return isSubMenu_; }
  bool lEnable() const { return enabled_; }
  void lEnable(bool enabled);
  void enable() { lEnable(true); }
  void disable() { lEnable(false); }
  void action(LDialog& window);

 private:
  friend class LMenu;
  bool isSubMenu_ = false;
  bool enabled_ = true;
};

class LMenu {
 public:
  std::string ClassType = "MENU";
  std::any Cargo;
  std::vector<std::unique_ptr<LMenuItem>> aItem;
  int nLevel = 0;
  int nWnd = -1;
  int nMenu = -1;
  int nCount = 1000;
  LDialog* oParent = nullptr;
  LMenuItem* oItem = nullptr;
  bool lCallEvent = true;

  explicit LMenu(LDialog* window = nullptr);
  ~LMenu();
  LMenuItem* subMenu(const std::string& prompt);
  LMenuItem* menuItem(const std::string& prompt, LMenuItem::Action action = {}, bool enabled = true);
  void endMenu();
  void separator();
  void create();
  // Runs the item with that number; false (with the diagnostic) when there is none.
  bool event(int number);
  LMenuItem* find(int number);

 private:
  std::vector<std::vector<std::unique_ptr<LMenuItem>>*> levels_;
  bool created_ = false;
};

class LSBPart {
 public:
  using TextFn = std::function<std::string()>;
  LStatusBar* oParent = nullptr;
  std::variant<std::string, TextFn> uText;
  std::string cToolTip, cIcon;
  int nStyle = 0;
  int nWidth = 0;
  int nIndex = 0;
  bool lRefresh() const { return std::holds_alternative<TextFn>(uText); }
  std::string cText() const;
  void setText(const std::string& text);
  void refresh();

 private:
  friend class LStatusBar;
  bool changed_ = true;
  std::string shown_;
};

class LStatusBar {
 public:
  std::any Cargo;
  std::string ClassType = "STATUSBAR";
  std::vector<std::unique_ptr<LSBPart>> aPart;
  int nWnd = -1;
  int nSB = -1;
  LDialog* oParent = nullptr;

  explicit LStatusBar(LDialog* window = nullptr);
  ~LStatusBar();
  LSBPart* partAdd(const std::variant<std::string, LSBPart::TextFn>& text, const std::string& tooltip = "",
                   const std::string& icon = "", int width = 0);
  void create();
  void draw();
  void refresh() { draw(); }
  void reset();
  void destroy();
};

class LButton {
 public:
  using Action = std::function<void(LButton&, LDialog&)>;
  static inline int asOffSet[4] = {0, 0, 0, 0};
  std::string ClassType = "BUTTON";
  std::any Cargo;
  Action bAction;
  std::function<bool()> bWhen;
  std::string cCaption;
  std::string cShortcut;
  int nWnd = -1;
  int nId = -1;
  int nTop = 0, nLeft = 0, nBottom = 0, nRight = 0;
  int nButton = 0;
  bool lHasFocus = false;
  LDialog* oParent = nullptr;

  // new(top, left, bottom, right, caption, action, ..., window, fields, when, enabled).
  // A negative top counts from the window's bottom. With `fields`, a hidden field gives
  // the button its place in the form.
  LButton(int top, int left, const std::string& caption, Action action, LDialog* window = nullptr,
          std::vector<GetField>* fields = nullptr, std::function<bool()> when = {}, bool enabled = true);
  ~LButton();
  void create();
  void destroy();
  void setFocus();
  void killFocus() { lHasFocus = false; }
  void disable();
  void enable();
  bool lEnable() const { return enabled_; }
  void action();

 private:
  bool enabled_ = true;
};

// --- operations of the layer ---
LDialog* LDLGSHOW(int top, int left, int bottom, int right, const std::string& title);
void LDLGCLOSE();
void LDLGEND();
void LACTIVATE(std::optional<bool> exit_on_esc = {});
LDialog* LWINDOWACTIVE();
LDialog* LWINDOWLAST();
const std::vector<LDialog*>& LWINDOWLIST();
bool LMAXSCREEN();
LStatusBar* LSBDRAW(const std::vector<std::string>& texts);
ReadEnd LREADMODAL(std::vector<GetField>& fields);
std::uint32_t LPALETTE(const std::string& colour, long rgb = -1);
void LGETCLIPBOARD();
void LSETCLIPBOARD();

// Reads one key as every wait of the program does: menu picks run their item
// (the key hook turns code 1024 into the item's action and the key 0), timer ticks
// redraw status bars, button clicks press the button, a close box is Esc, mouse
// clicks are keys with their cell in last_mouse(). timeout_ms < 0 waits for ever;
// 0 comes back when nothing was read. Throws platform::FrontEndGone when the window
// system went away.
int read_key(int timeout_ms);
int NAFTERINKEY(int key);

// The start of the layer: palette changes, main window, cursor hidden, key hook.
void start_window_layer();
// Forgets every window, menu and binding (a new program run in the same process).
void reset_window_layer();

}  // namespace shell
