#pragma once
// Everything the tool asks of the SQLite shell, the "sqlite3" beside the
// tool on the stick: its version, the integrity check, the safe load of a
// database's text (.dump or .recover) into a fresh file, the probe for
// page-by-page reading, the rows of a table, and the time limit of every
// run. The shell runs through the command runner with that limit, so a
// shell stuck on a damaged file is stopped rather than blocking the panel.

#include <QString>

#include "exec/command_result.h"

namespace database {

// The time limit of one run of the shell over a database of
// `databaseBytes`, in milliseconds: two minutes, and one second more for
// every 150 KiB (some 24 minutes for 200 MB). The slowest run, .recover,
// reads 2.7 MB/s under emulation of the pendant's processor, and perhaps
// half that on a pendant with the database on its NFS share; the limit
// allows nine times that, and two minutes for starting the shell from a
// slow stick.
int shellTimeLimit(qint64 databaseBytes);

// The oldest shell whose -safe keeps a dump's text from running as its own
// commands (.shell, .system, .output to a file, .import, .load ...): 3.37.
constexpr int safe_shell_version = 3 * 1000 + 37;

// The shell's version line ("3.40.1 2022-12-28 ..."), within the limit of
// a run over an empty database.
exec::CommandResult shellVersionLine(const QString &tool);

// "3.40.1 2022-12-28 ..." -> 3 * 1000 + 40; -1 when it is no version line.
int shellVersion(const QString &firstLine);

// The shell `tool` (quoted for the command line) runs PRAGMA
// integrity_check on `file` within `limitMs`.
exec::CommandResult integrityCheck(const QString &tool, const QString &file, int limitMs);

// PRAGMA integrity_check answers the single line "ok" for a sound database;
// a damaged one lists its faults, which may well contain the two letters
// (an index named "lookup_idx", say).
bool integrityPassed(const exec::CommandResult &check);

// The shell `tool` prints `file` as SQL with `dotCommand` (".dump" or
// ".recover"), and a second one loads that text into `into` within
// `limitMs`. The loading shell runs in safe mode: a line of the text that
// starts with "." (from a crafted table name or schema text) stops the
// load instead of running as one of the shell's own commands.
exec::CommandResult loadSafely(const QString &tool, const QString &file, const QString &dotCommand,
                               const QString &into, int limitMs);

// Whether the shell can read a file page by page (the sqlite_dbpage table
// that .recover needs); a shell built without it gets no further than the
// first lines of a recovery.
exec::CommandResult dbpageProbe(const QString &tool, int limitMs);

// The rows of `table` in `file` as the shell counts them, read-only,
// within `limitMs`; -1 when it cannot count them in time (the table's
// pages are damaged). This is how the rows of a damaged file are counted:
// in a child with a limit, since SQLite may loop or crash on its pages.
// The rows of a sound file of the tool's own (the salvaged one, after its
// integrity check) are counted in-process (schema.h, rowCounts).
qint64 shellRowCount(const QString &tool, const QString &file, const QString &table, int limitMs);

}  // namespace database
