#include "exec/command_backend.h"

#include <QElapsedTimer>
#include <QFile>
#include <functional>
#include <sys/wait.h>

#include "exec/execute_command.h"
#include "exec/vpopen.h"
#include "log/run_log.h"

namespace exec {

namespace {

class RealBackend : public CommandBackend {
public:
    CommandResult system(const QString &command) override
    {
        const int status = vsystem(command.toLatin1().constData());
        if (status == -1)
            return CommandResult::notEnded();
        return CommandResult::exited(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }

    CommandResult execute(const QString &command, int timeout) override
    {
        return runCapturingFirstLine(command, timeout);
    }

    QByteArray mountTable() override
    {
        QFile mounts(QStringLiteral("/proc/self/mounts"));
        if (!mounts.open(QIODevice::ReadOnly))
            return QByteArray();
        // Files under /proc report no size: read until the end.
        return mounts.readAll();
    }
};

CommandBackend *current = nullptr;

}  // namespace

CommandBackend &realBackend()
{
    static RealBackend real;
    return real;
}

CommandBackend &backend()
{
    return current ? *current : realBackend();
}

CommandBackend *setBackend(CommandBackend *replacement)
{
    CommandBackend *previous = &backend();
    current = replacement;
    return previous;
}

namespace {

// Every command goes into the run log with how it ended and how long it
// took.
CommandResult logged(const QString &command, const std::function<CommandResult()> &run)
{
    QElapsedTimer clock;
    clock.start();
    const CommandResult result = run();
    runlog::command(command, result.ended, result.exitCode, clock.elapsed());
    return result;
}

}  // namespace

CommandResult runSystem(const QString &command)
{
    return logged(command, [&] { return backend().system(command); });
}

CommandResult execute(const QString &command, int timeout)
{
    return logged(command, [&] { return backend().execute(command, timeout); });
}

}  // namespace exec
