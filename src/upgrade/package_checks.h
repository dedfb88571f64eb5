#pragma once
// What the forced upgrade checks before it installs anything, derived from
// the install plan (install_plan.h) and the package policy
// (package_policy.h): that the unpacked package holds every required file
// and nothing the policy refuses, and that every target has room for what
// it receives.

#include <QList>
#include <QString>

#include "upgrade/zip_directory.h"

namespace upgrade {

// The required files of the install plan, in its order. Shows the warning
// naming the first missing one and answers false; answers true when all are
// present.
bool requiredEntriesPresent();

// Why the unpacked package must not be installed, or empty: a symbolic
// link in it, should one have slipped through unzip; robot_model.zip or
// dravon.db refused by the package policy.
QString stagedProblem();

// Room needed on one file system.
struct SpaceNeed {
    QString where;  // a path on that file system, as shown to the technician
    qint64 needed = 0;
    qint64 available = 0;
};

// Before the package is copied to the data share: the package, its
// unpacked size, the copies made there from the unpacked entries the plan
// puts on the data share, and the largest thing the upgrade keeps beside
// its replacement until the switch.
QList<SpaceNeed> dataShareNeeds(qint64 packageSize, const QList<ZipEntry> &entries);

// Once the package is unpacked: every other target of the plan, grouped by
// file system, and the robot models unpacked on the data share.
QList<SpaceNeed> installNeeds();

// Shows the box for the first need that does not fit and answers false;
// answers true when all fit.
bool roomFor(const QList<SpaceNeed> &needs);

}  // namespace upgrade
