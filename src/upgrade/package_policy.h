#pragma once
// What makes a package one the tool must not install, judged the same way
// by the forced upgrade and by the package builder (package-check, for
// tools/make-package check): the package's directory, the robot models it
// brings, and its database. Each answers why, as the refusal box words it,
// or an empty string.

#include <QList>
#include <QString>

#include "upgrade/zip_directory.h"

namespace upgrade {

// The package's directory cannot be read, or it holds a symbolic link
// (unzip would recreate it, and the copies that follow would write through
// it to wherever it points), or an entry that would land outside the
// package's own folder (tesma/) or outside the staging folder. `entries`
// receives the directory.
QString entriesProblem(const QString &packagePath, QList<ZipEntry> &entries);

// robot_model.zip at `modelsZip` holds an entry outside robot_model/ or a
// link (it is unpacked into the data share itself, so such an entry could
// replace the controller's database or project), or a member that does not
// unpack to its size and CRC-32. `entries` receives its directory.
QString modelsProblem(const QString &modelsZip, QList<ZipEntry> &entries);

// The database at `database` holds SQL text with a line starting with "."
// (a dump of it would run that line as a shell dot-command).
QString databaseProblem(const QString &database);

}  // namespace upgrade
