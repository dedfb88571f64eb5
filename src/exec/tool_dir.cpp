#include "exec/tool_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace exec {

QString toolDir()
{
    const QByteArray named = qgetenv("PENDANT_TOOL_DIR");
    if (!named.isEmpty()) {
        const QFileInfo dir(QFile::decodeName(named));
        if (dir.isDir())
            return QDir::cleanPath(dir.absoluteFilePath());
    }
    return QCoreApplication::applicationDirPath();
}

}  // namespace exec
