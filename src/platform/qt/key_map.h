#pragma once
// Turns a key press of the window system into the program's key code (platform/keys.h).
#include <vector>

#include <QString>
#include <Qt>

namespace platform::qt {

// The program's code for one key press, or keys::kNone when the press is no key for the
// program (a modifier alone, an unknown combination). Printable text comes back as its
// CP850 byte; text of several characters gives the first one (see text_key_codes).
int map_key(int qt_key, Qt::KeyboardModifiers modifiers, const QString& text);

// True when the press is a printable character that the program receives as text.
bool is_text_key(int qt_key, Qt::KeyboardModifiers modifiers, const QString& text);

// CP850 bytes of typed text, one key code each ('?' for characters CP850 lacks).
std::vector<int> text_key_codes(const QString& text);

}  // namespace platform::qt
