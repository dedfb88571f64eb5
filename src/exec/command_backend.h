#pragma once
// The one place through which the tool reaches the system: shell commands
// run with system() or through the command runner, and the mount table.
// Tests put a backend of their own in place to record the exact command
// texts, decide what each returns, or record and also run them. Calls go
// one way: runSystem()/execute() -> the backend in use -> (by default) the
// real backend (real_backend.h) -> the child process (child_process.h).

#include <QByteArray>
#include <QString>

#include "exec/command_result.h"

namespace exec {

class CommandBackend {
public:
    virtual ~CommandBackend() = default;

    // Runs the command as system() would, as 8-bit text (one byte per
    // character), without a limit; its output goes where the tool's goes.
    // Not ended: no shell could be started.
    virtual CommandResult system(const QString &command) = 0;

    // The command runner: runs the command under a limit of `timeout`
    // milliseconds (negative: none) and captures the first line of its
    // standard output (at most 127 bytes, line break kept).
    virtual CommandResult execute(const QString &command, int timeout) = 0;

    // The mount table as /proc/self/mounts gives it.
    virtual QByteArray mountTable() = 0;
};

// The backend in use; the real one unless a test installed another.
CommandBackend &backend();

// Installs `replacement` (nullptr: the real backend again) and answers the
// one it replaces.
CommandBackend *setBackend(CommandBackend *replacement);

// Runs a command as system() would, as 8-bit text. Every system() call of
// the tool goes through here. Every command the tool runs reads /dev/null
// as its standard input, so none can stop to ask the technician a question
// nobody sees.
CommandResult runSystem(const QString &command);

// Runs a command through the command runner (see ExecuteCommand) and
// answers how it ended.
CommandResult execute(const QString &command, int timeout);

// Runs a command through the command runner without a limit and answers
// whether it exited with 0.
bool succeeds(const QString &command);

}  // namespace exec
