#pragma once
// Moved to database/schema.h; kept until its last users move.
#include "database/schema.h"
inline QMap<QString, qint64> count_table_rows(const QString &path) { return database::rowCounts(path); }
