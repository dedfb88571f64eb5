#include "exec/execute_command.h"

#include "exec/commands.h"

int ExecuteCommand(const QString &command, QString &output, int timeout)
{
    const exec::CommandResult result = exec::execute(command, timeout);
    output = result.ended ? result.firstLine : QString();
    return result.ended ? 1 : 0;
}

int ExecuteCommand(const QString &command)
{
    exec::runIgnoringStatus(exec::Route::Runner, command);
    return 0;
}
