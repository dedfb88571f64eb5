#include "exec/execute_command.h"

#include <cstring>

#include "exec/command_backend.h"
#include "exec/vpopen.h"

int ExecuteCommand(const QString &command, QString &output, int timeout)
{
    return exec::backend().execute(command, output, timeout);
}

int ExecuteCommand(const QString &command)
{
    QString scratch;
    ExecuteCommand(command, scratch, -1);
    return 0;
}

namespace exec {

int runCapturingFirstLine(const QString &command, QString &output, int timeout)
{
    output = QString();
    // One byte per character, so names taken from the file system as 8-bit
    // text reach the shell unchanged.
    const QByteArray bytes = command.toLatin1();
    FILE *stream = vpopen(bytes.constData(), "r", timeout);
    if (stream == nullptr)
        return 0;
    char buffer[128];
    std::memset(buffer, 0, sizeof buffer);
    if (std::fgets(buffer, sizeof buffer, stream) == nullptr)
        buffer[0] = '\0';
    output = QString::fromLatin1(buffer);
    vpclose(stream);
    return 1;
}

}  // namespace exec
