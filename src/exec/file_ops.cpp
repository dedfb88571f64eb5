#include "exec/file_ops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "exec/shell_quote.h"
#include "log/run_log.h"

namespace exec {

namespace {

QString operand(const QString &path)
{
    return shellQuoteFileName(path);
}

// A rename, judged by what it did as well: mv exits 0 having moved `from`
// into the folder a link at `to` points to, so what `to` names afterwards
// must be of the kind that was at `from`. (Inode numbers cannot tell: mv
// copies and removes where the two lie on different file systems.)
bool moved(Route route, const QString &from, const QString &to)
{
    const QFileInfo before(from);
    const bool existed = present(from), link = before.isSymLink(), folder = before.isDir() && !link;
    if (!succeeds(route, QStringLiteral("/bin/mv -f %1 %2").arg(operand(from), operand(to))))
        return false;
    // Nothing at `from` before: mv could not have exited 0 on a real disk.
    if (!existed)
        return true;
    const QFileInfo after(to);
    return present(to) && after.isSymLink() == link && (link || (after.isDir() == folder));
}

// Where a folder replaced whole is set aside: `target`.replaced.<stamp>.
QString asidePrefix(const QString &target)
{
    return target + QStringLiteral(".replaced.");
}

// Owners that could not be set below one adoptOwnerAndMode() call.
struct OwnerFailures {
    int count = 0;
    QString first;
};

void adopt(const QString &fresh, const QString &target, OwnerFailures &failures)
{
    struct stat old, now;
    const QByteArray freshName = QFile::encodeName(fresh);
    if (::stat(QFile::encodeName(target).constData(), &old) != 0 || ::lstat(freshName.constData(), &now) != 0)
        return;
    if (S_ISLNK(now.st_mode) || S_ISDIR(old.st_mode) != S_ISDIR(now.st_mode))
        return;
    // The owner first: a change of owner clears the set-user-ID bits.
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        ::lchown(freshName.constData(), old.st_uid, old.st_gid) != 0 && failures.count++ == 0)
        failures.first = QStringLiteral("%1 (%2)").arg(fresh, QString::fromLocal8Bit(std::strerror(errno)));
    ::chmod(freshName.constData(), old.st_mode & 07777);
    if (!S_ISDIR(now.st_mode))
        return;
    const QStringList names =
        QDir(fresh).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        adopt(fresh + QLatin1Char('/') + name, target + QLatin1Char('/') + name, failures);
}

}  // namespace

bool present(const QString &path)
{
    const QFileInfo entry(path);
    return entry.exists() || entry.isSymLink();
}

void adoptOwnerAndMode(const QString &fresh, const QString &target)
{
    OwnerFailures failures;
    adopt(fresh, target, failures);
    if (failures.count > 0)
        runlog::note(QStringLiteral("owner of %1 entries not kept (the share refuses it), first: %2")
                         .arg(failures.count)
                         .arg(failures.first));
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

Replacement replaceByRename(Route route, const QString &fresh, const QString &target, const QString &stamp)
{
    // A file, a link to one, a dangling link or nothing: one rename, which
    // replaces a link itself.
    if (!QFileInfo(target).isDir())
        return moved(route, fresh, target) ? Replacement::Placed : Replacement::Unchanged;
    // mv onto a folder, or onto a link to one, would move `fresh` into it.
    if (stamp.isEmpty())
        return Replacement::Unchanged;
    const QString aside = asidePrefix(target) + stamp;
    if (!moved(route, target, aside))
        return present(target) || moved(route, aside, target) ? Replacement::Unchanged : Replacement::SetAside;
    if (!moved(route, fresh, target))
        return moved(route, aside, target) ? Replacement::Unchanged : Replacement::SetAside;
    for (const QString &kept : setAside(target))
        removeIgnoringStatus(route, kept);
    return Replacement::Placed;
}

QStringList setAside(const QString &target)
{
    const QFileInfo info(target);
    QStringList kept;
    const QStringList names = info.dir().entryList({QFileInfo(asidePrefix(target)).fileName() + QLatin1Char('*')},
                                                   QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names)
        kept << info.dir().filePath(name);
    return kept;
}

bool putBackSetAside(Route route, const QString &target)
{
    if (present(target))
        return true;
    const QStringList kept = setAside(target);
    if (kept.isEmpty())
        return false;
    const bool back = moved(route, kept.last(), target);
    runlog::note(QStringLiteral("%1 was missing after a run cut off; %2 from %3")
                     .arg(target, back ? QStringLiteral("put back") : QStringLiteral("could not be put back"),
                          kept.last()));
    return back;
}

bool mergeByRename(Route route, const QString &fresh, const QString &target)
{
    const QFileInfo from(fresh), to(target);
    if (!to.isDir())
        return replaceByRename(route, fresh, target, QString()) == Replacement::Placed;
    if (!from.isDir() || from.isSymLink())
        return false;
    const QStringList names =
        QDir(fresh).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        if (!mergeByRename(route, fresh + QLatin1Char('/') + name, target + QLatin1Char('/') + name))
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
