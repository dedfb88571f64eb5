#pragma once
// The table audit: does an SQLite file hold every table the controller
// database must have?

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

// The number of rows of every table in `path`, by name, counted on a
// connection of its own; empty when the file cannot be opened. For a file
// that has passed the integrity check: a table that cannot be counted is
// left out.
QMap<QString, qint64> count_table_rows(const QString &path);
