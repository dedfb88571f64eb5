#pragma once

#include <QString>

// True when `toolDir` holds an entry (file or directory, not hidden) named
// "rescue_mode" in any letter case.
bool rescueMarkerPresent(const QString &toolDir);
