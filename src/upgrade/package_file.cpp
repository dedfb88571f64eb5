#include "upgrade/package_file.h"

const QString zip_file_name = QStringLiteral("tesma");

namespace upgrade {

QString packageFileName()
{
    return zip_file_name + QStringLiteral(".zip");
}

}  // namespace upgrade
