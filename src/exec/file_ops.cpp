#include "exec/file_ops.h"

#include <QDir>
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

bool keepCopy(Route route, const QString &file, const QString &copy, CommandResult *ran)
{
    const CommandResult result = run(route, QStringLiteral("/bin/cp -f %1 %2").arg(operand(file), operand(copy)));
    if (ran)
        *ran = result;
    const bool copied = result.succeeded();
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

bool mergeByRename(Route route, const QString &fresh, const QString &target, const QString &asideSuffix)
{
    const QFileInfo from(fresh), to(target);
    const bool folderThere = to.isDir() && !to.isSymLink();
    if (folderThere && (!from.isDir() || from.isSymLink()))
        return false;
    if (!folderThere)
        return replaceByRename(route, fresh, target, target + asideSuffix) == Replacement::Placed;
    const QStringList names =
        QDir(fresh).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        if (!mergeByRename(route, fresh + QLatin1Char('/') + name, target + QLatin1Char('/') + name, asideSuffix))
            return false;
    return true;
}

bool remove(Route route, const QString &path)
{
    runIgnoringStatus(route, QStringLiteral("/bin/rm -rf ") + operand(path));
    // Judged by what is left on disk: that is what the caller relies on.
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
