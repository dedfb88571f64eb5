#include "support/process_probe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/wait.h>
#include <unistd.h>

namespace support {

QList<pid_t> liveChildren()
{
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    QList<pid_t> live;
    const QByteArray me = QByteArray::number(getpid());
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!isPid || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // "pid (name) state ppid ..."
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest[1] == me && rest[0] != "Z")
            live.append(pid);
    }
    return live;
}

qint64 heldBytes()
{
    qint64 bytes = 0;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                bytes += line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        const QString target = fd.symLinkTarget();
        if (target.contains(QLatin1String("memfd:")) || target.contains(QLatin1String("(deleted)")))
            bytes += QFileInfo(fd.filePath()).size();
    }
    return bytes;
}

}  // namespace support
