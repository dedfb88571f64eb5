#pragma once
// What a test or benchmark sees of the processes and memory of its own
// process.

#include <QList>
#include <sys/types.h>

namespace support {

// Reaps the zombies among this process's children and answers the ids of
// those still running. Made a subreaper (PR_SET_CHILD_SUBREAPER), the
// process also gets the orphans of the processes it started.
QList<pid_t> liveChildren();

// Memory this process holds: its resident pages and every open file that
// lives in memory or is already deleted (a spool).
qint64 heldBytes();

}  // namespace support
