#include "controller/shares.h"

#include <QFile>
#include <algorithm>

#include "controller/site.h"
#include "exec/commands.h"
#include "exec/file_ops.h"

namespace controller {

bool mountShare(const QString &dir)
{
    if (!QFile::exists(dir)) {
        // Whether these worked shows in the mount that follows.
        exec::runIgnoringStatus(exec::Route::System, QStringLiteral("/bin/mkdir -p ") + dir);
        exec::runIgnoringStatus(exec::Route::System, QStringLiteral("sync"));
    }
    return exec::run(exec::Route::System, QStringLiteral("/bin/mount -t nfs -o nolock ") + nfs_server_ip + QLatin1Char(':') +
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

void recoverCutOffRun(exec::Route route)
{
    for (const QString &folder : {robot_control, project_workspace})
        exec::putBackSetAside(route, folder);
}

}  // namespace controller
