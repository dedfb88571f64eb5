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

// Gives `fresh` and every entry below it the owner, group and mode of the
// entry at the same place below `target`, where one of the same kind is
// there, as a copy onto the old file would have kept them: the
// controller's programs run as their own user and must still be able to
// write their database. `target` is read through links, as the controller
// reads it. An entry with no counterpart keeps what its copy gave it. An
// owner that cannot be set (a share that squashes root) is written to the
// run log; the mode is set all the same.
void adoptOwnerAndMode(const QString &fresh, const QString &target);

// How a replacement by rename ended.
enum class Replacement {
    Placed,     // `target` shows the new entry (what was set aside is removed)
    Unchanged,  // nothing moved: the target is as it was, `fresh` where it was
    SetAside,   // the old entry is set aside and could not be moved back: the target is gone
};

// Puts `fresh`, complete and on the same file system, in place of
// `target`, so the target is at every moment either the old entry or the
// whole new one, and answers Placed only when the path itself shows the
// new entry. A file (or a link to one) is replaced by one rename
// ("/bin/mv -f"). A folder, or a link to one, cannot be renamed over: the
// old entry is renamed aside to `target`.replaced.`stamp` first and
// removed once the new one is in place, together with every copy earlier
// runs set aside, and renamed back should the second rename fail (an
// empty `stamp`: a folder is not replaced). A link is replaced, never
// written through; what it pointed to stays where it is.
[[nodiscard]] Replacement replaceByRename(Route route, const QString &fresh, const QString &target,
                                          const QString &stamp);

// What earlier runs set aside for `target` (`target`.replaced.<stamp>),
// oldest first.
QStringList setAside(const QString &target);

// Where `target` is missing (a run cut off between the two renames of a
// folder), puts back the newest entry set aside for it and says so in the
// run log. Answers whether the target is there now.
bool putBackSetAside(Route route, const QString &target);

// The merge rule of the workspace share: puts `fresh` at `target` the way a
// recursive copy onto the share would leave it, but never writing a file in
// place. A folder both have (a link to one included: the copy writes
// through it) is merged: each entry `fresh` brings is put in place the
// same way, every other entry there stays. Anything else is replaced by
// rename. A folder there is never replaced by a file: the copy would refuse
// that too, and the folder's files would be lost. Answers whether all went
// in place.
[[nodiscard]] bool mergeByRename(Route route, const QString &fresh, const QString &target);

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
