#pragma once
// The one place through which the tool reaches the system: shell commands
// run with system() or through the command runner, and the mount table.
// Tests put a backend of their own in place to record the exact command
// texts, decide what each returns, or record and also run them.

#include <QByteArray>
#include <QString>

namespace exec {

class CommandBackend {
public:
    virtual ~CommandBackend() = default;

    // system(): the command as 8-bit text (one byte per character); answers
    // the raw status as system() delivers it (-1: no shell could be run).
    virtual int system(const QString &command) = 0;

    // The command runner's contract (see ExecuteCommand): 1 when the command
    // ended within `timeout` milliseconds (negative: no limit) with `output`
    // its first output line; 0 with `output` empty otherwise.
    virtual int execute(const QString &command, QString &output, int timeout) = 0;

    // The mount table as /proc/self/mounts gives it.
    virtual QByteArray mountTable() = 0;
};

// The backend that really runs the commands.
CommandBackend &realBackend();

// The backend in use; the real one unless a test installed another.
CommandBackend &backend();

// Installs `replacement` (nullptr: the real backend again) and answers the
// one it replaces.
CommandBackend *setBackend(CommandBackend *replacement);

// Runs a command with system(), as 8-bit text. Every system() call of the
// tool goes through here.
int runSystem(const QString &command);

// True when `status`, as system() returned it, is a normal exit with one of
// the accepted exit codes.
bool exitedWith(int status, std::initializer_list<int> accepted = {0});

}  // namespace exec
