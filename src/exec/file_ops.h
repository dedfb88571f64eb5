#pragma once
// The file operations the jobs run on the pendant and the controller's
// shares, each one way for every flow, on the route the flow runs its
// commands (commands.h): keep a copy, put a new file or folder in place by
// rename, remove, sync. Paths are file names as Qt has them; they reach the
// shell quoted where they must be (shell_quote.h), a plain path as written.

#include <QString>

#include "exec/commands.h"

namespace exec {

// Copies the file `file` to `copy` ("/bin/cp -f") and answers whether the
// copy is whole: a file of the same size. A partial copy (a full share) is
// removed again. `ran`, when given, receives how the copy command ended.
[[nodiscard]] bool keepCopy(Route route, const QString &file, const QString &copy, CommandResult *ran = nullptr);

// How a replacement by rename ended.
enum class Replacement {
    Placed,     // the new entry is in place (an old folder set aside is removed)
    Unchanged,  // nothing moved: the target is as it was, `fresh` where it was
    SetAside,   // the old folder is at `aside` and could not be moved back: the target is gone
};

// Puts `fresh`, complete and on the same file system, in place of
// `target`, so the target is at every moment either the old entry or the
// whole new one. A file (or a target that is no folder) is replaced by one
// rename ("/bin/mv -f"). A folder cannot be renamed over a full one: the
// old folder is renamed to `aside` first and removed once the new one is
// in place, and renamed back should the second rename fail (no `aside`
// given: a folder is not replaced).
[[nodiscard]] Replacement replaceByRename(Route route, const QString &fresh, const QString &target,
                                          const QString &aside);

// The merge rule of the workspace share: puts `fresh` at `target` the way a
// recursive copy onto the share would leave it, but never writing a file in
// place. A folder both have is merged (each entry `fresh` brings is put in
// place the same way, every other entry there stays); anything else is
// replaced by rename, a folder set aside as `target` + `asideSuffix`. A
// folder there is never replaced by a file: the copy would refuse that too,
// and the folder's files would be lost. Answers whether all went in place.
[[nodiscard]] bool mergeByRename(Route route, const QString &fresh, const QString &target,
                                 const QString &asideSuffix);

// Removes `path` and all below it ("/bin/rm -rf") and answers whether
// nothing is left there.
[[nodiscard]] bool remove(Route route, const QString &path);

// As remove(), where nothing depends on the outcome: a scratch entry that
// a later step checks or overwrites anyway.
void removeIgnoringStatus(Route route, const QString &path);

// Writes what the file systems hold to their disks ("/bin/sync"); a sync
// that fails tells the flow nothing it could act on.
void sync(Route route);

// True when `path` names an entry, a dangling symbolic link included.
bool present(const QString &path);

}  // namespace exec
