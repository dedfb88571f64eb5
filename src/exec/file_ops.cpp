#include "exec/file_ops.h"

#include <QFileInfo>

#include "exec/shell_quote.h"

namespace exec {

namespace {

QString operand(const QString &path)
{
    return shellQuoteFileName(path);
}

bool moved(Route route, const QString &from, const QString &to)
{
    return succeeds(route, QStringLiteral("/bin/mv -f %1 %2").arg(operand(from), operand(to)));
}

}  // namespace

bool present(const QString &path)
{
    const QFileInfo entry(path);
    return entry.exists() || entry.isSymLink();
}

bool keepCopy(Route route, const QString &file, const QString &copy)
{
    const bool copied = succeeds(route, QStringLiteral("/bin/cp -f %1 %2").arg(operand(file), operand(copy)));
    // cp may answer 0 for a copy a full share cut short on NFS; the size
    // tells.
    const QFileInfo original(file), kept(copy);
    if (copied && kept.isFile() && kept.size() == original.size())
        return true;
    removeIgnoringStatus(route, copy);
    return false;
}

Replacement replaceByRename(Route route, const QString &fresh, const QString &target, const QString &aside)
{
    const QFileInfo old(target);
    if (!old.isDir() || old.isSymLink())
        return moved(route, fresh, target) ? Replacement::Placed : Replacement::Unchanged;
    if (aside.isEmpty() || !moved(route, target, aside))
        return Replacement::Unchanged;
    if (!moved(route, fresh, target))
        return moved(route, aside, target) ? Replacement::Unchanged : Replacement::SetAside;
    removeIgnoringStatus(route, aside);
    return Replacement::Placed;
}

bool remove(Route route, const QString &path)
{
    runIgnoringStatus(route, QStringLiteral("/bin/rm -rf ") + operand(path));
    // rm answers 1 for an entry that was never there; what counts is that
    // nothing is left.
    return !present(path);
}

void removeIgnoringStatus(Route route, const QString &path)
{
    runIgnoringStatus(route, QStringLiteral("/bin/rm -rf ") + operand(path));
}

void sync(Route route)
{
    runIgnoringStatus(route, QStringLiteral("/bin/sync"));
}

}  // namespace exec
