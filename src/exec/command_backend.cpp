#include "exec/command_backend.h"

#include "exec/real_backend.h"

namespace exec {

namespace {

CommandBackend *current = nullptr;

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

CommandResult runSystem(const QString &command)
{
    return backend().system(command);
}

CommandResult execute(const QString &command, int timeout)
{
    return backend().execute(command, timeout);
}

}  // namespace exec
