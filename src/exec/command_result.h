#pragma once
// How a command ended: the one answer every caller judges a command by.

#include <QString>
#include <initializer_list>

namespace exec {

struct CommandResult {
    bool ended = false;  // ran to its end within its limit (false: not started, or killed)
    int exitCode = -1;   // its exit code; -1 when it did not exit by itself
    QString firstLine;   // first line of its standard output, where that was captured

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
        return CommandResult{true, code, line};
    }
    static CommandResult notEnded() { return CommandResult{}; }
};

}  // namespace exec
