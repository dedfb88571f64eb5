#pragma once
// What the forced upgrade checks before it installs anything, derived from
// the install plan (install_plan.h) and the package policy
// (package_policy.h): that the unpacked package holds every required file
// and nothing the policy refuses, and that every target has room for what
// it receives.

#include <QList>
#include <QString>

#include "upgrade/upgrade_boxes.h"
#include "upgrade/zip_directory.h"

namespace upgrade {

// The required files of the install plan, in its order: the first missing
// one, in the pendant's software's own warning.
Problem missingRequiredFile();

// Why the unpacked package must not be installed: a symbolic link in it,
// should one have slipped through unzip; robot_model.zip or dravon.db
// refused by the package policy. `models` receives robot_model.zip's
// directory (empty without one), read here once for the space check and
// the unpacking that follow.
Problem stagedProblem(QList<ZipEntry> &models);

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
// file system, and the robot models (`models`, robot_model.zip's
// directory) unpacked on the data share.
QList<SpaceNeed> installNeeds(const QList<ZipEntry> &models);

// The first need that does not fit, as the box words it.
Problem roomProblem(const QList<SpaceNeed> &needs);

}  // namespace upgrade
