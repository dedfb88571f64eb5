#pragma once
// The forced upgrade: installs the package tesma.zip from `packageDir` on
// the pendant and on the controller's shares.

#include <QString>

// `packageDir` holds the command-line argument as given, one byte per
// character; it may be empty.
void ForceUpgrade(const QString &packageDir);
