#include "controller/shares.h"

#include <QFile>
#include <algorithm>

#include "controller/site.h"
#include "exec/command_backend.h"

namespace controller {

using exec::runSystem;

bool mountShare(const QString &dir)
{
    if (!QFile::exists(dir)) {
        runSystem(QStringLiteral("/bin/mkdir -p ") + dir);
        runSystem(QStringLiteral("sync"));
    }
    return runSystem(QStringLiteral("/bin/mount -t nfs -o nolock ") + nfs_server_ip + QLatin1Char(':') +
                     dir + QLatin1Char(' ') + dir)
        .ended;
}

bool shareMounted(const QString &dir)
{
    const QByteArray wanted =
        (nfs_server_ip + QLatin1Char(':') + dir + QLatin1Char(' ') + dir + QLatin1Char(' ')).toLatin1();
    const QList<QByteArray> lines = exec::backend().mountTable().split('\n');
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QByteArray &line) { return line.startsWith(wanted); });
}

const char *mountFailureMessage(const QString &dir)
{
    return dir == nfs_space_dir ? "mount /home/ostrel/nfs_space failed!"
                                : "mount /home/ostrel/workspace failed!";
}

}  // namespace controller
