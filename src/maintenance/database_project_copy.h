#pragma once
// Copies the controller's database and project workspace from the data
// share to a destination, waits ten seconds with the event loop alive and
// reports success.

#include <QString>
#include <QtGlobal>

// `dest` is the destination, normally an existing directory, one byte per
// character (as QString::fromLatin1 makes it); it reaches the shell as
// exactly those bytes, as one path. Both copies run; "Successful!" follows
// only when both succeeded, "Failed!" otherwise.
void CpDatabaseAndProject(const QString &dest);

// Returns after `msec` milliseconds, processing the application's events
// meanwhile in passes of at most 100 ms; 0 returns at once without
// processing any. Measured on a monotonic clock, so changes of the time of
// day (midnight, a clock set by hand) neither stretch nor cut the wait.
void HmiSleep(unsigned int msec);

namespace maintenance {

// The monotonic clock HmiSleep reads, replaceable as the command backend
// is (exec/commands.h): a test installs one of its own to run a long wait
// without waiting.
class SleepClock {
public:
    virtual ~SleepClock() = default;
    // Milliseconds from any fixed point.
    virtual qint64 nowMs() = 0;
};

// Installs `replacement` (nullptr: the real clock again) and answers the
// one it replaces.
SleepClock *setSleepClock(SleepClock *replacement);

}  // namespace maintenance
