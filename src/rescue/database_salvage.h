#pragma once
// The second stage of the database repair: when the dump of a damaged
// controller database cannot be rebuilt, the SQLite shell's .recover reads
// whatever is still readable page by page into a fresh file, which replaces
// the database only once it holds every required table and passes the
// integrity check. What it asks of the shell is in database/sqlite_shell.h,
// how the database is replaced in database/dravon_db.h.

#include <QList>
#include <QString>


namespace rescue {

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
