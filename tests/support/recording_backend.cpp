#include "support/recording_backend.h"

#include "controller/site.h"

exec::CommandResult fromSystemStatus(int status)
{
    return exec::CommandResult::fromStatus(status);
}

QByteArray controllerMountLine(const QString &dir)
{
    return (nfs_server_ip + QLatin1Char(':') + dir + QLatin1Char(' ') + dir +
            QStringLiteral(" nfs rw,relatime,vers=3,nolock 0 0\n"))
        .toLatin1();
}

RecordingBackend::RecordingBackend()
    : mounts(QByteArray("/dev/root / ext4 rw 0 0\n") + controllerMountLine(nfs_space_dir) +
             controllerMountLine(workspace_dir)),
      previous_(exec::setBackend(this))
{
}

RecordingBackend::~RecordingBackend()
{
    exec::setBackend(previous_ == &exec::realBackend() ? nullptr : previous_);
}

QStringList RecordingBackend::commands() const
{
    QStringList out;
    for (const Call &c : calls)
        out.append(c.viaSystem ? c.command
                               : QStringLiteral("[%1] %2").arg(c.timeout).arg(c.command));
    return out;
}

exec::CommandResult RecordingBackend::system(const QString &command)
{
    calls.append({true, command, 0});
    if (passThrough)
        return exec::realBackend().system(command);
    return systemResult ? systemResult(command) : exec::CommandResult::exited(0);
}

exec::CommandResult RecordingBackend::execute(const QString &command, int timeout)
{
    calls.append({false, command, timeout});
    if (passThrough)
        return exec::realBackend().execute(command, timeout);
    return executeResult ? executeResult(command, timeout) : exec::CommandResult::exited(0);
}

QByteArray RecordingBackend::mountTable()
{
    return passThrough ? exec::realBackend().mountTable() : mounts;
}
