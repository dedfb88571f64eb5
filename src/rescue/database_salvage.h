#pragma once
// The second stage of the database repair: when the dump of a damaged
// controller database cannot be rebuilt, the SQLite shell's .recover reads
// whatever is still readable page by page into a fresh file, which replaces
// the database only once it holds every required table and passes the
// integrity check. Also the pieces the repair's first stage shares with it:
// the shell's time limit, its integrity check, its loading of a database's
// text in safe mode, and the replacing of the database.

#include <QList>
#include <QString>

#include "exec/command_result.h"

namespace rescue {

// The time limit of one run of the SQLite shell over a database of
// `databaseBytes`, in milliseconds: two minutes, and one second more for
// every 150 KiB (some 24 minutes for 200 MB). The slowest run, .recover,
// reads 2.7 MB/s under emulation of the pendant's processor, and perhaps
// half that on a pendant with the database on its NFS share; the limit
// allows nine times that, and two minutes for starting the shell from a
// slow stick.
int shellTimeLimit(qint64 databaseBytes);

// The shell `tool` (quoted for the command line) runs PRAGMA
// integrity_check on `file` within `limitMs`.
exec::CommandResult integrityCheck(const QString &tool, const QString &file, int limitMs);

// The shell `tool` prints `file` as SQL with `dotCommand` (".dump" or
// ".recover"), and a second one loads that text into `into` within
// `limitMs`. The loading shell runs in safe mode: a line of the text that
// starts with "." (from a crafted table name or schema text) stops the
// load instead of running as one of the shell's own commands.
exec::CommandResult loadSafely(const QString &tool, const QString &file, const QString &dotCommand,
                               const QString &into, int limitMs);

// PRAGMA integrity_check answers the single line "ok" for a sound database;
// a damaged one lists its faults, which may well contain the two letters
// (an index named "lookup_idx", say).
bool integrityPassed(const exec::CommandResult &check);

// Puts `file` in place of the controller database: a copy to
// dravon.db.<suffix> beside it, then a rename over it, so the database is at
// every moment either the old file or the whole new one. Answers whether
// the new file is in place; when not, the database is as it was.
bool replaceDatabase(const QString &file, const QString &suffix);

// One required table of a salvaged database.
struct SalvagedTable {
    QString name;
    qint64 rows = 0;     // rows in the salvaged database
    qint64 before = -1;  // rows the damaged file could count; -1: it could not
};

struct Salvage {
    enum Outcome {
        Salvaged,         // the salvaged file replaced the database
        NoDbpage,         // the shell cannot read pages one by one
        NothingSalvaged,  // the salvaged file lacks tables or fails the integrity check
        TimedOut,         // the shell ran past its limit and was stopped
        NotPlaced,        // salvaged, but it could not be put in place
    };
    Outcome outcome = NothingSalvaged;
    QString step;                 // TimedOut: what the shell was doing
    QList<SalvagedTable> tables;  // Salvaged: every required table, in their order
    qint64 lostAndFound = 0;      // Salvaged: rows whose table could not be told
};

// Salvages the controller database with the shell `tool` (quoted for the
// command line) into dravon_salvage.db and, when the result is sound, puts
// it in place. `badBackup` is the verified copy of the damaged file; the
// rows it can still count give the rows lost. `limitMs` bounds each run of
// the shell. The database is replaced only on Salvaged.
Salvage salvageDatabase(const QString &tool, const QString &badBackup, int limitMs);

// The report of a salvage that replaced the database, rich text in three
// parts: what happened, the table of rows kept and lost (long: it may have
// to scroll), and the closing lines that must always be seen.
struct SalvageReport {
    QString text;
    QString table;
    QString closing;
};
SalvageReport salvageReport(const Salvage &salvage);

}  // namespace rescue
