#include "exec/execute_command.h"

#include <cstring>
#include <sys/wait.h>

#include "exec/command_backend.h"
#include "exec/vpopen.h"

int ExecuteCommand(const QString &command, QString &output, int timeout)
{
    const exec::CommandResult result = exec::execute(command, timeout);
    output = result.ended ? result.firstLine : QString();
    return result.ended ? 1 : 0;
}

int ExecuteCommand(const QString &command)
{
    QString scratch;
    ExecuteCommand(command, scratch, -1);
    return 0;
}

namespace exec {

CommandResult runCapturingFirstLine(const QString &command, int timeout)
{
    // One byte per character, so names taken from the file system as 8-bit
    // text reach the shell unchanged.
    const QByteArray bytes = command.toLatin1();
    FILE *stream = vpopen(bytes.constData(), "r", timeout);
    if (stream == nullptr)
        return CommandResult::notEnded();
    char buffer[128];
    std::memset(buffer, 0, sizeof buffer);
    if (std::fgets(buffer, sizeof buffer, stream) == nullptr)
        buffer[0] = '\0';
    const int status = vpclose(stream);
    return CommandResult::exited(status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                                 QString::fromLatin1(buffer));
}

}  // namespace exec
