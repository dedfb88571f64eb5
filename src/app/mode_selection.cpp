#include "app/mode_selection.h"

#include <QDir>

bool rescueMarkerPresent(const QString &toolDir)
{
    // A QDir built from a path lists files and directories, no hidden
    // entries, and matches name patterns without regard to letter case.
    return !QDir(toolDir)
                .entryList(QStringList(QStringLiteral("rescue_mode")), QDir::NoFilter, QDir::NoSort)
                .isEmpty();
}
