#include "platform/qt/qt_front_end.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QPointer>
#include <QProxyStyle>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <thread>

#include "platform/qt/main_window.h"
#include "platform/qt/key_map.h"
#include "platform/qt/qt_console.h"

namespace platform {
namespace {

bool env_set(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

// Tries the local X server's socket for display number `number` (abstract and
// file-system names, as the X libraries do).
bool x_socket_answers(const std::string& number) {
  const std::string path = "/tmp/.X11-unix/X" + number;
  for (int abstract = 1; abstract >= 0; --abstract) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;  // cannot tell: let the toolkit try
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::size_t offset = abstract ? 1 : 0;
    std::memcpy(addr.sun_path + offset, path.data(), std::min(path.size(), sizeof(addr.sun_path) - 1 - offset));
    const socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
    ::close(fd);
    if (ok) return true;
  }
  return false;
}

bool x_display_answers(const std::string& display) {
  const auto colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return true;  // a remote or socket-path display: not checked here
  std::string number;
  for (std::size_t i = colon + 1; i < display.size() && display[i] >= '0' && display[i] <= '9'; ++i)
    number += display[i];
  return !number.empty() && x_socket_answers(number);
}

bool wayland_supported() {
  const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
  return !platforms.entryList({QStringLiteral("*wayland*")}, QDir::Files).isEmpty();
}

// The toolkit's style without its Alt handling of the menu bar (Alt alone would
// otherwise move the focus to the menu bar).
class ProgramKeysStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == QStyle::SH_MenuBar_AltKeyNavigation) return 0;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

// Gives every key press made in the main window (its grid, dialogs, buttons, menu bar)
// to the program, before shortcuts and mnemonics see it: Alt+letter reaches the program
// even where a menu title has that accelerator. Pop-up menus and message boxes are
// windows of their own and keep their keys.
class KeyFilter : public QObject {
 public:
  explicit KeyFilter(qt::MainWindow* window) : window_(window) {}
  bool eventFilter(QObject* object, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !window_ || widget->window() != window_.data()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::ShortcutOverride) {
      // Accepting the override keeps the shortcut map (menu mnemonics) out of it; the
      // press then comes here as a KeyPress.
      if (qt::map_key(key->key(), key->modifiers(), key->text()) == keys_none) return false;
      event->accept();
      return true;
    }
    return window_->handle_key(key);
  }

 private:
  static constexpr int keys_none = 0;
  QPointer<qt::MainWindow> window_;
};

std::string program_name(int argc, char** argv) {
  if (argc < 1 || !argv || !argv[0]) return "rendax2023";
  std::string name = argv[0];
  const auto slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

bool display_available() {
  if (env_set("QT_QPA_PLATFORM")) return true;
  if (env_set("WAYLAND_DISPLAY") && wayland_supported()) return true;
  if (env_set("DISPLAY")) return x_display_answers(std::getenv("DISPLAY"));
  return false;
}

int run_qt_front_end(int argc, char** argv, std::function<int(Console&)> program) {
  static int app_argc = 0;
  std::unique_ptr<QApplication> own_app;
  if (!QCoreApplication::instance()) {
    if (!display_available()) {
      const std::string why = env_set("DISPLAY") ? std::string("the X display ") + std::getenv("DISPLAY") +
                                                       " does not answer"
                                                 : "DISPLAY and WAYLAND_DISPLAY are not set";
      std::fprintf(stderr,
                   "%s: no graphical display (%s); run it under a virtual display with `xvfb-run ./run`, "
                   "or without a window with `./run --headless`\n",
                   program_name(argc, argv).c_str(), why.c_str());
      return 2;
    }
    app_argc = argc;
    own_app = std::make_unique<QApplication>(app_argc, argv);
  }
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app) {
    std::fprintf(stderr, "%s: the window system needs a QApplication\n", program_name(argc, argv).c_str());
    return 2;
  }
  app->setQuitOnLastWindowClosed(false);
  if (!dynamic_cast<ProgramKeysStyle*>(app->style())) app->setStyle(new ProgramKeysStyle);

  qt::QtConsole console;
  auto context = std::make_unique<QObject>();
  QPointer<qt::MainWindow> window = new qt::MainWindow(console.screen(), console.channel());
  console.attach(context.get(), window);
  KeyFilter filter(window);
  app->installEventFilter(&filter);

  QEventLoop loop;
  std::atomic<bool> finished{false};
  // The window destroyed under the program, or the application told to quit: the
  // program's requests are cancelled from now on.
  auto window_watch = QObject::connect(window, &QObject::destroyed, &loop, [&] {
    console.channel().shut_down_now();
    loop.quit();
  });
  window->show();
  window->raise();
  window->activateWindow();

  int result = 0;
  std::exception_ptr error;
  std::thread logic([&] {
    try {
      result = program(console);
    } catch (...) {
      error = std::current_exception();
    }
    finished = true;
    QMetaObject::invokeMethod(context.get(), [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });
  if (!finished) loop.exec();
  // From here on nothing answers the program any more.
  console.channel().shut_down_now();
  logic.join();

  QObject::disconnect(window_watch);
  app->removeEventFilter(&filter);
  if (window) {
    window->allow_close();
    window->close();
    delete window.data();
  }
  context.reset();  // drops requests still queued
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  own_app.reset();
  if (error) std::rethrow_exception(error);
  return result;
}

}  // namespace platform
