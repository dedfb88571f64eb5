#pragma once
// How the tool runs a command: every command goes through here, into the
// run log and to the backend in use (the real one unless a test installed
// another). Calls go one way: these entry points -> the backend
// (command_backend.h) -> by default the real backend (real_backend.h) ->
// the child process (child_process.h).
//
// Two routes, as the pendant's own software has them: the forced upgrade
// and the utilities run their commands as system() does, rescue mode
// through the command runner (ExecuteCommand). A step that works on either
// names its route instead of having two implementations.
//
// One verb per intent: run and judge (succeeds), run and read how it ended
// (run; execute with a limit and the runner's first line), run with a
// status that tells nothing (runIgnoringStatus). The results cannot be
// dropped unseen.

#include <QString>

#include "exec/command_backend.h"

namespace exec {

// The backend in use; the real one unless a test installed another.
CommandBackend &backend();

// Installs `replacement` (nullptr: the real backend again) and answers the
// one it replaces.
CommandBackend *setBackend(CommandBackend *replacement);

enum class Route {
    System,  // system(): the forced upgrade and the utilities
    Runner,  // the command runner without a limit: rescue mode
};

// Runs a command through the command runner under a limit of `timeout`
// milliseconds (negative: none).
[[nodiscard]] CommandResult execute(const QString &command, int timeout);

// Runs a command on `route` without a limit. On the system() route it is
// 8-bit text, as system() gets it. Every command the tool runs reads
// /dev/null as its standard input, so none can stop to ask the technician a
// question nobody sees.
[[nodiscard]] CommandResult run(Route route, const QString &command);

// Runs a command on `route` without a limit and answers whether it exited
// with 0; the runner when no route is named.
[[nodiscard]] bool succeeds(Route route, const QString &command);
[[nodiscard]] inline bool succeeds(const QString &command)
{
    return succeeds(Route::Runner, command);
}

// Runs a command on `route` whose status tells nothing (a sync, a clean-up
// whose result the next step checks on disk).
void runIgnoringStatus(Route route, const QString &command);

}  // namespace exec
