#pragma once
// The stick's read-ahead, given back after the start. The launcher has the
// stick read 8 KB at a time while the loader and Qt fault in their pages
// (far fewer bytes from a slow USB port), and names the disk's setting and
// its own value in PENDANT_STICK_READ_AHEAD ("/sys/.../read_ahead_kb=128").
// Once the first window has been painted the start is over, and the value
// is written back, so the package and the backups are read at full speed.

#include <QString>

namespace app {

// Writes the named value back once the first window of this application
// has been exposed and painted; nothing when the variable is unset or does
// not name a read_ahead_kb setting and a number. Call once, after the
// QApplication is made.
void restoreStickReadAheadAfterFirstWindow();

}  // namespace app
