#pragma once
// The interface through which the tool reaches the system: a shell command
// run as system() would, one run by the command runner, and the mount
// table. It knows no implementation: the real one is real_backend.h, the
// one in use and the entry points every caller goes through are
// commands.h, and tests put recording ones in place.

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

}  // namespace exec
