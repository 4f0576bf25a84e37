#pragma once
// The Qt 6 Widgets front end: a real window for the program.
#include <functional>

#include "platform/console.h"

namespace platform {

// True when a window can be shown: QT_QPA_PLATFORM is set, or an X display that
// answers (DISPLAY), or a Wayland display with the toolkit's Wayland support.
bool display_available();

// Opens the main window and runs `program` on a thread of its own with the window's
// console, while this (the GUI) thread runs the window system's event loop.
// Returns the program's exit code once the program returns (the window closes then).
// When the window is destroyed or the event loop ends first, every pending and later
// request of the program answers "cancelled" (wait_event: EventKind::Quit,
// message_box: MessageAnswer::Closed, open_window/create_*: -1) so that it unwinds;
// its exit code is still returned. An exception that leaves `program` is re-thrown here.
// With no display it prints one line saying so and how to run instead, and returns 2.
// An existing QApplication is reused (tests); otherwise one is made from argc/argv.
int run_qt_front_end(int argc, char** argv, std::function<int(Console&)> program);

}  // namespace platform
