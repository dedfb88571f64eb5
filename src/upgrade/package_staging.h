#pragma once
// Staging the package: the copy of tesma.zip onto the data share and its
// unpacking into the staging folder, checked entry by entry against the
// package's directory.

#include <QList>
#include <QString>

#include "upgrade/zip_directory.h"

class QProgressDialog;

namespace upgrade {

// Copies the package at `packagePath` (one byte per character, as the
// command line gave it) onto the data share and unpacks it into an emptied
// staging folder. Every entry of `entries`, the package's directory, must
// then be on disk with its size and CRC-32. Shows the box of a failure and
// answers false; answers true when the package lies unpacked.
bool stagePackage(QProgressDialog &progress, const QString &packagePath, const QList<ZipEntry> &entries);

}  // namespace upgrade
