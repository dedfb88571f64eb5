#pragma once
// The one way every flow keeps and replaces the controller database
// dravon.db: the upgrade, the repair, the salvage and the restore alike. A
// flow says what it puts in place and why; how is decided here once.

#include <QString>

#include "exec/commands.h"

namespace database {

// Keeps a copy of dravon.db beside it as dravon.db.<why>.<time stamp>,
// verified whole (a file of the same size), on the flow's `route`. Answers
// the copy's path, or an empty string when no whole copy could be made (a
// partial one is removed again).
QString keep(const QString &why, exec::Route route);

// Puts `file` in place of dravon.db: a copy beside it under the temporary
// name dravon.db.<why>, given the owner, group and mode of the file it
// replaces, then a rename over it, then a sync, so the database is at
// every moment either the old file or the whole new one.
// Answers whether the new file is in place; when not, the database is as
// it was and the temporary copy is gone. `copy`, when given, receives how
// the copy command ended.
bool replaceWith(const QString &file, const QString &why, exec::Route route, exec::CommandResult *copy = nullptr);

}  // namespace database
