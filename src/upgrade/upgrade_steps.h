#pragma once
// Pieces shared by the two halves of the forced upgrade.

#include <QString>

#include "ui/dialog_recipes.h"

class QProgressDialog;

namespace upgrade {

// Where the package lies: `packageDir` + "/tesma.zip", by plain
// concatenation ("/tesma.zip" for an empty directory), one byte per char.
QString packagePath(const QString &packageDir);

// "/home/ostrel/nfs_space/tmp/tesma/": where the unpacked package lies.
QString packageRoot();

// An entry of the unpacked package: packageRoot() + `entry`.
QString staged(const QString &entry);

// The four entries without which nothing is installed, in the order they
// are checked. Shows the warning naming the first missing one and answers
// false; answers true when all are present.
bool requiredEntriesPresent();

// The style of the package-missing and success boxes: the flow's own box
// style text, a minimum rather than a fixed size, the button the default.
ui::BoxStyle resultBoxStyle();

// Installs the unpacked package, cleans up and shows the final message.
void installComponents(QProgressDialog &progress);

}  // namespace upgrade
