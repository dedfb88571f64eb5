#pragma once
// The second half of the forced upgrade: installs the unpacked package in
// the order of its install plan.

#include <QList>

#include "upgrade/upgrade_boxes.h"
#include "upgrade/zip_directory.h"

class QProgressDialog;

namespace upgrade {

// Installs the unpacked, checked package's entries on the pendant and the
// controller's shares in plan order, showing each row's progress, and
// removes the staging files. `models`: robot_model.zip's directory. A
// failed step ends it: the problem names the step.
Problem installComponents(QProgressDialog &progress, const QList<ZipEntry> &models);

}  // namespace upgrade
