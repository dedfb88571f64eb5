#pragma once
// The forced upgrade: installs the package tesma.zip from `packageDir` on
// the pendant and on the controller's shares.

#include <QString>

#include "upgrade/package_signature.h"

// `packageDir` holds the command-line argument as given, one byte per
// character; it may be empty. `trusted`: the keys this stick trusts (the
// program's own, compiled in); none installs an unsigned package.
void ForceUpgrade(const QString &packageDir, const upgrade::TrustedKeys &trusted);
