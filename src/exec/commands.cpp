#include "exec/commands.h"

#include <QElapsedTimer>
#include <functional>

#include "exec/real_backend.h"
#include "log/run_log.h"

namespace exec {

namespace {

CommandBackend *current = nullptr;

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

CommandResult execute(const QString &command, int timeout)
{
    return logged(command, [&] { return backend().execute(command, timeout); });
}

CommandResult run(Route route, const QString &command)
{
    if (route == Route::Runner)
        return execute(command, -1);
    return logged(command, [&] { return backend().system(command); });
}

bool succeeds(Route route, const QString &command)
{
    return run(route, command).succeeded();
}

void runIgnoringStatus(Route route, const QString &command)
{
    static_cast<void>(run(route, command));
}

}  // namespace exec
