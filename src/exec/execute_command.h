#pragma once
// The command runner: runs a shell command, waits for it to end and captures
// the first line of its standard output.

#include <QString>

// Runs `command` with /bin/sh -c under a limit of `timeout` milliseconds
// (negative: none). Answers 1 when the command ran to its end in time,
// whatever its exit status, with `output` the first line of its standard
// output (at most 127 bytes, line break kept); 0 when it could not start or
// was killed at the limit, with `output` empty.
int ExecuteCommand(const QString &command, QString &output, int timeout);

// Runs `command` without a limit and discards its output; always answers 0.
int ExecuteCommand(const QString &command);
