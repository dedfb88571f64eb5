#pragma once
// Mounting the controller's NFS shares, as both jobs of the tool do it.

#include <QString>

namespace controller {

// Creates the mount point `dir` when it is missing ("/bin/mkdir -p", then
// "sync") and mounts the controller's export of the same path on it with
// system(). Answers false only when no shell could be run for the mount; a
// mount that the shell ran and that failed shows in the mount table only.
bool mountShare(const QString &dir);

// True when the mount table shows the controller's export of `dir` mounted
// on `dir` ("<controller>:<dir> <dir> ..."), as by an earlier run too.
bool shareMounted(const QString &dir);

}  // namespace controller
