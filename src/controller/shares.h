#pragma once
// Mounting the controller's NFS shares, as both jobs of the tool do it.

#include <QString>

#include "exec/commands.h"

namespace controller {

// Creates the mount point `dir` when it is missing ("/bin/mkdir -p", then
// "sync") and mounts the controller's export of the same path on it with
// system(). Answers false only when no shell could be run for the mount; a
// mount that the shell ran and that failed shows in the mount table only.
bool mountShare(const QString &dir);

// True when the mount table shows the controller's export of `dir` mounted
// on `dir` ("<controller>:<dir> <dir> ..."), as by an earlier run too.
bool shareMounted(const QString &dir);

// Finishes what a run cut off between two renames left, before this run
// changes anything: a folder the tool replaces whole (robot_control, the
// project workspace) that is missing is put back from the newest copy
// set aside for it. Needs the data share mounted.
void recoverCutOffRun(exec::Route route);

}  // namespace controller
