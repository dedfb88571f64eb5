#pragma once
// What the forced upgrade checks before it installs anything: that the
// package stays inside its targets and cannot smuggle commands into a later
// database repair, and that every target has room for what it receives.

#include <QList>
#include <QString>

#include "upgrade/zip_directory.h"

namespace upgrade {

// Why the package on the stick must not be installed, or empty: it cannot
// be read, or it holds a symbolic link (unzip would recreate it, and the
// copies that follow would write through it to wherever it points).
QString packageProblem(const QString &packagePath, QList<ZipEntry> &entries);

// Why the unpacked package must not be installed, or empty: robot_model.zip
// holds an entry outside robot_model/ or a link (it is unpacked into the
// data share itself, so such an entry could replace the controller's
// database or project), or dravon.db holds SQL text with a line starting
// with "." (a dump of it would run that line as a shell dot-command).
QString stagedProblem();

// Room needed on one file system.
struct SpaceNeed {
    QString where;  // a path on that file system, as shown to the technician
    qint64 needed = 0;
    qint64 available = 0;
};

// Before the package is copied to the data share: the package, its
// unpacked size, the copies made from the unpacked files there, and the
// largest thing the upgrade keeps beside its replacement until the switch.
QList<SpaceNeed> dataShareNeeds(qint64 packageSize, const QList<ZipEntry> &entries);

// Once the package is unpacked: the pendant's targets (the operator
// program, libraries, pictures, shell) and the workspace share, grouped by
// file system, and the robot models unpacked on the data share.
QList<SpaceNeed> installNeeds();

// Shows the box for the first need that does not fit and answers false;
// answers true when all fit.
bool roomFor(const QList<SpaceNeed> &needs);

// The box for a package that is refused; nothing has been installed.
void showPackageWarning(const QString &problem);

}  // namespace upgrade
