#include "exec/command_backend.h"

#include <QFile>
#include <cstdlib>
#include <sys/wait.h>

#include "exec/execute_command.h"

namespace exec {

namespace {

class RealBackend : public CommandBackend {
public:
    int system(const QString &command) override
    {
        return std::system(command.toLatin1().constData());
    }

    int execute(const QString &command, QString &output, int timeout) override
    {
        return runCapturingFirstLine(command, output, timeout);
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

int runSystem(const QString &command)
{
    return backend().system(command);
}

bool exitedWith(int status, std::initializer_list<int> accepted)
{
    if (status == -1 || !WIFEXITED(status))
        return false;
    for (int code : accepted)
        if (WEXITSTATUS(status) == code)
            return true;
    return false;
}

}  // namespace exec
