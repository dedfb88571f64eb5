#pragma once
// The controller database's schema as the tool judges it: the 31 tables
// it must hold (the table audit), the rows of a sound file, and the rule
// that no SQL text of it may hold a line a shell would run as one of its
// own dot-commands. The repair, the restore, the upgrade's package check
// and the package builder (tools/make-package check) all judge by these.

#include <QMap>
#include <QString>
#include <QStringList>

class QProgressDialog;

enum table_audit_result {
    audit_open_failed,    // the database could not be opened
    audit_table_missing,  // a required table is absent (or could not be counted)
    audit_all_present,    // every required table was found
};

// The 31 tables of the controller database, in the order they are checked.
const QStringList &required_tables();

// Checks `path` on the default QSQLITE connection for the required tables,
// in order, stopping at the first missing one. A name counts as present
// only as a table (not a view or index) of exactly that name. After the
// table at position n has been found, `progress` (when given) is set to
// 31 + n. The connection is closed again whenever it was opened.
table_audit_result check_db_tables(const QString &path, QProgressDialog *progress);

namespace database {

// The number of rows of every table in `path`, by name, counted in-process
// on a connection of its own; empty when the file cannot be opened. For a
// sound file only (one that has passed the integrity check): the rows of a
// damaged file are counted by the shell, in a child with a limit
// (sqlite_shell.h). A table that cannot be counted is left out.
QMap<QString, qint64> rowCounts(const QString &path);

// True when a line of `sql` after a line break starts with a '.' (blanks,
// a carriage return included, before it): a shell reading a dump takes such
// a line as one of its own commands.
bool hidesDotCommand(const QString &sql);

// The first table, index, view or trigger of the SQLite file `path` whose
// SQL text hides a dot-command line; empty when there is none or the file
// cannot be read as a database.
QString dotCommandHolder(const QString &path);

}  // namespace database
