#pragma once
// The folder of the program the technician started: the stick's top
// folder, where the rescue_mode marker and the sqlite3 shell lie.

#include <QString>

namespace exec {

// The stick's launcher starts the real program through the bundled loader
// (ld-linux-*.so --library-path ...), so Qt's applicationDirPath() names the
// loader's folder. The launcher therefore names its own folder in the
// environment variable PENDANT_TOOL_DIR; when that is unset, empty or not a
// directory, the program was started directly and applicationDirPath() is
// its folder.
QString toolDir();

// The stick's sqlite3 shell: beside the launcher in toolDir(), unless the
// launcher had to copy it to a RAM folder to run it (a stick mounted
// noexec runs nothing) and names that copy in PENDANT_TOOL_SQLITE3.
QString stickSqlite3();

}  // namespace exec
