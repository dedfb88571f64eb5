#pragma once
// How a command ended: the one answer every caller judges a command by.

#include <QString>
#include <initializer_list>
#include <csignal>
#include <sys/wait.h>

namespace exec {

struct CommandResult {
    bool ended = false;  // ran to its end within its limit (false: not started, or killed)
    int exitCode = -1;   // its exit code; -1 when it did not exit by itself
    QString firstLine;   // first line of its standard output, where that was captured
    int status = -1;     // the raw wait status as system() gives it; -1 when no shell ran

    // Ended in time with one of the accepted exit codes.
    bool succeeded(std::initializer_list<int> accepted = {0}) const
    {
        if (!ended)
            return false;
        for (int code : accepted)
            if (exitCode == code)
                return true;
        return false;
    }

    // The shell ran but could not run the program: not executable (126) or
    // not found (127).
    bool couldNotRun() const { return ended && (exitCode == 126 || exitCode == 127); }

    static CommandResult exited(int code, const QString &line = QString())
    {
        return CommandResult{true, code, line, code >= 0 ? (code & 0xff) << 8 : SIGKILL};
    }
    // From a wait status as system() or waitpid() gives it (-1: no shell).
    // A command killed by a signal ended, but has no exit code.
    static CommandResult fromStatus(int status, const QString &line = QString())
    {
        if (status == -1)
            return notEnded();
        return CommandResult{true, WIFEXITED(status) ? WEXITSTATUS(status) : -1, line, status};
    }
    static CommandResult notEnded() { return CommandResult{}; }
};

}  // namespace exec
