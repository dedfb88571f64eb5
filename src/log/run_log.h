#pragma once
// The run log on the stick, for the support desk: one plain-text record per
// start of the tool in pendant-tool.log beside it, with the job, every
// command with its exit status and duration, every box with the button
// pressed, and the end. The log only ever watches: a stick that is
// read-only or full, or a log that cannot be written, changes nothing the
// job does or shows. It keeps the last 1 MiB.

#include <QString>

namespace runlog {

// Starts the record of this run in `dir`/pendant-tool.log. Until it is
// called (as in tests), nothing is written anywhere.
void begin(const QString &dir, const QString &job);

// A command and how it ended: `ended` is false when it was killed at its
// limit or could not start, `exitCode` -1 when it did not exit by itself.
void command(const QString &command, bool ended, int exitCode, qint64 ms);

// A box or dialog, and the button that closed it (empty: none).
void box(const QString &title, const QString &text, const QString &clicked);

// Something the support desk should know that no command or box shows (who
// signed the package, an owner that could not be kept, a folder put back
// after a cut-off run).
void note(const QString &text);

// The end of the run.
void end();

// The most the log keeps, in bytes.
constexpr qint64 capacity = 1024 * 1024;

}  // namespace runlog
