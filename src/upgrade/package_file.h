#pragma once
// The package's fixed name: the file the technician puts on the stick, the
// name of its top folder, and its signature file beside it.

#include <QString>

extern const QString zip_file_name;  // base name of the upgrade package: "tesma"

namespace upgrade {

// "tesma.zip".
QString packageFileName();

}  // namespace upgrade
