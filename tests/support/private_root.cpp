#include "support/private_root.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

namespace support {

namespace {

const char *const private_dirs[] = {"/home", "/root", "/media"};

}  // namespace

QString enterPrivateRoot()
{
    if (unshare(CLONE_NEWNS) != 0)
        return QStringLiteral("no private mount namespace: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("cannot make mounts private: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    for (const char *dir : private_dirs) {
        QDir().mkpath(QString::fromLatin1(dir));
        if (mount("tmpfs", dir, "tmpfs", 0, "mode=0755") != 0)
            return QStringLiteral("cannot mount tmpfs on %1: %2")
                .arg(QString::fromLatin1(dir), QString::fromLocal8Bit(strerror(errno)));
    }
    return QString();
}

void clearPrivateRoot()
{
    for (const char *dir : private_dirs) {
        QDir root(QString::fromLatin1(dir));
        for (const QFileInfo &entry : root.entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System)) {
            if (entry.isDir() && !entry.isSymLink())
                QDir(entry.filePath()).removeRecursively();
            else
                QFile::remove(entry.filePath());
        }
    }
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

}  // namespace support
