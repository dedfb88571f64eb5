#pragma once
// SQLite files for the tests of the table audit, the repair and the restore.

#include <QString>
#include <QStringList>

namespace support {

// The tables the controller database must hold, as the shell tools list
// them (tools/lib/required-tables.sh), in their order.
QStringList requiredTablesFromTools();

// Writes a new SQLite database at `path` holding `tables`, created in that
// order. "sqlite_sequence" in the list is not created by name: the tables
// then get AUTOINCREMENT keys and the first one receives a row, as in a
// used controller database. `rows` further rows of about 100 bytes go into
// the first table, to give the file a realistic size.
void writeDatabase(const QString &path, const QStringList &tables, int rows = 0);

// Runs `sql` on the database at `path` (through its own connection).
void runSql(const QString &path, const QStringList &sql);

// The first line PRAGMA integrity_check prints for `path` with the sqlite3
// command-line shell ("ok" for a sound database; empty when it cannot read
// the file at all).
QString integrityCheck(const QString &path);

// 31, 32, ...: the progress values the table audit sets after each of the
// first `count` tables it finds.
QList<int> auditProgress(int count);

}  // namespace support
