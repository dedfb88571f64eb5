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

namespace {

// A copy or rename of the controller database on the data share, all of
// whose paths lie in the private root: the tool verifies what such a
// command leaves on disk, so it is run for real.
bool databaseFileCommand(const QString &command)
{
    if (!(command.startsWith(QLatin1String("/bin/cp ")) || command.startsWith(QLatin1String("/bin/mv "))) ||
        !command.contains(QLatin1String("dravon.db")))
        return false;
    const QStringList words = command.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(1);
    for (const QString &word : words)
        if (!word.startsWith(QLatin1Char('-')) && !word.startsWith(QLatin1String("/home/ostrel/nfs_space/")))
            return false;
    return true;
}

}  // namespace

exec::CommandResult RecordingBackend::system(const QString &command)
{
    calls.append({true, command, 0});
    if (passThrough)
        return exec::realBackend().system(command);
    const exec::CommandResult result = systemResult ? systemResult(command) : exec::CommandResult::exited(0);
    if (runsDatabaseCopies && result.succeeded() && databaseFileCommand(command))
        return exec::realBackend().system(command);
    return result;
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
