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

QString stickSqlite3()
{
    const QByteArray copied = qgetenv("PENDANT_TOOL_SQLITE3");
    if (!copied.isEmpty() && QFileInfo(QFile::decodeName(copied)).isFile())
        return QFile::decodeName(copied);
    return toolDir() + QStringLiteral("/sqlite3");
}

}  // namespace exec
