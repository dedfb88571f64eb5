#pragma once
// Staging the package: the copy of tesma.zip onto the data share and its
// unpacking into the staging folder, checked entry by entry against the
// package's directory.

#include <QList>
#include <QString>

#include "upgrade/upgrade_boxes.h"
#include "upgrade/zip_directory.h"

class QProgressDialog;

namespace upgrade {

// Copies the package at `packagePath` (one byte per character, as the
// command line gave it) onto the data share.
Problem copyPackage(QProgressDialog &progress, const QString &packagePath);

// The copy on the data share, as the unpacking reads it.
QString stagedPackage();

// Unpacks the copy into an emptied staging folder. Every entry of
// `entries`, the package's directory, must then be on disk with its size
// and CRC-32.
Problem unpackPackage(QProgressDialog &progress, const QList<ZipEntry> &entries);

}  // namespace upgrade
