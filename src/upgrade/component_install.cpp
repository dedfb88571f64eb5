// Second half of the forced upgrade: installs the unpacked package on the
// pendant and on the controller's shares in the order of its install plan,
// each entry the way its placement says, and removes the staging files.

#include "upgrade/component_install.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include "controller/site.h"
#include "database/dravon_db.h"
#include "exec/file_ops.h"
#include "ui/dialog_recipes.h"
#include "upgrade/install_plan.h"
#include "upgrade/package_file.h"
#include "upgrade/package_policy.h"
#include "upgrade/upgrade_boxes.h"

namespace upgrade {

namespace {

using exec::CommandResult;
// The upgrade runs its commands as the pendant's software does: system().
constexpr exec::Route route = exec::Route::System;

// The time stamp of this run, taken once, for the names of folders set aside.
QString runStamp()
{
    static const QString stamp = controller::timeStamp();
    return stamp;
}

// The diagnostic line the pendant's software writes after two copies: the
// raw system() status, then a blank (the exit code times 256, a signal's
// number for a shell that was killed, -1 when no shell ran).
void writeStatus(const CommandResult &result)
{
    qDebug().nospace() << result.status << " ";
}

// Where an entry going into the folder `dir` is copied whole first: a
// hidden name in that folder, on the same file system, that no glob of the
// pendant's or the controller's software matches.
QString freshIn(const QString &dir, const PlanEntry &entry)
{
    QString name = entry.source;
    if (name.endsWith(QLatin1Char('/')))
        name.chop(1);
    return QDir(dir).filePath(QLatin1Char('.') + name + QStringLiteral(".upgrading"));
}

// The entries of the staged folder that a copy of "<folder>/*" would take:
// the visible top-level ones (the shell's * skips hidden names), or only
// its files for a copy without -r.
QStringList topLevel(const QString &folder, QDir::Filters kinds)
{
    return QDir(folder).entryList(kinds | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Before anything of the copy at `fresh` is renamed into place: it takes
// the owner, group and mode of what it replaces at `target`, and the
// entry's executables that the package brings are made executable in it,
// so no program is ever seen without its run bits.
bool prepare(const PlanEntry &entry, const QString &fresh, const QString &target)
{
    exec::adoptOwnerAndMode(fresh, target);
    const bool folder = entry.source.endsWith(QLatin1Char('/'));
    for (const QString &name : entry.executables) {
        const QString brought = folder ? staged(entry.source) + name : staged(entry.source);
        const QString copy = folder ? QDir(fresh).filePath(name) : fresh;
        if (QFile::exists(brought) && !exec::succeeds(route, QStringLiteral("/bin/chmod a+x ") + copy))
            return false;
    }
    return true;
}

// Puts each of `names` from the copy at `fresh` into the folder `target`
// by the merge rule, then removes what is left of the copy.
bool mergeInto(const QString &fresh, const QString &target, const QStringList &names)
{
    for (const QString &name : names)
        if (!exec::mergeByRename(route, QDir(fresh).filePath(name), QDir(target).filePath(name)))
            return false;
    exec::removeIgnoringStatus(route, fresh);
    return true;
}

// A folder's content into the target folder, as a recursive copy of
// "<folder>/*" onto it would leave it (the HMI on the pendant, the
// controller programs on the workspace share): the folder is copied whole
// beside the target, prepared, and its visible top-level entries are put in
// place by the merge rule, so a folder both have is merged and every other
// entry there stays.
bool installContents(const PlanEntry &entry)
{
    const QString source = staged(entry.source);
    const QString fresh = freshIn(entry.target, entry);
    exec::removeIgnoringStatus(route, fresh);
    const CommandResult copy = exec::run(route, QStringLiteral("/bin/cp -rf %1 %2").arg(source, fresh));
    if (entry.placement == PlanEntry::ProgramsInto)
        writeStatus(copy);
    if (!copy.succeeded())
        return false;
    exec::sync(route);
    return prepare(entry, fresh, entry.target) && mergeInto(fresh, entry.target, topLevel(source, QDir::AllEntries));
}

// The libraries: every regular, visible top-level file, copied into a
// folder beside them and renamed into place one by one, so a library the
// operator program has mapped is replaced, never overwritten. The copy
// skips subfolders, and its glob matches nothing in an empty folder, so a
// non-zero status alone tells nothing: each file must have arrived whole.
bool installTopFiles(const PlanEntry &entry)
{
    const QString source = staged(entry.source);
    const QString fresh = freshIn(entry.target, entry);
    exec::removeIgnoringStatus(route, fresh);
    exec::runIgnoringStatus(route, QStringLiteral("/bin/mkdir -p ") + fresh);
    const CommandResult copy = exec::run(route, QStringLiteral("/bin/cp -f %1* %2/").arg(source, fresh));
    exec::runIgnoringStatus(route, QStringLiteral("sync"));
    const QStringList files = topLevel(source, QDir::Files | QDir::NoSymLinks);
    if (!copy.succeeded())
        for (const QString &name : files)
            if (QFileInfo(QDir(fresh).filePath(name)).size() != QFileInfo(QDir(source).filePath(name)).size())
                return false;
    return prepare(entry, fresh, entry.target) && mergeInto(fresh, entry.target, files);
}

// robot_control: copied whole beside the old one, then takes its place;
// the folder set aside for the switch goes once the new one is in place.
bool installReplacingFolder(const PlanEntry &entry)
{
    const QString fresh = entry.target + QStringLiteral(".upgrading");
    exec::removeIgnoringStatus(route, fresh);
    if (!exec::succeeds(route, QStringLiteral("/bin/cp -rf %1 %2").arg(staged(entry.source), fresh)))
        return false;
    return prepare(entry, fresh, entry.target) &&
           exec::replaceByRename(route, fresh, entry.target, runStamp()) == exec::Replacement::Placed;
}

// The old database is kept as dravon.db.before_upgrade.<time>; the new one
// takes its place the one way every flow replaces it.
bool installDatabase(const PlanEntry &entry)
{
    if (QFile::exists(controller::database) && database::keep(QStringLiteral("before_upgrade"), route).isEmpty())
        return false;
    CommandResult copy;
    const bool placed = database::replaceWith(staged(entry.source), QStringLiteral("upgrading"), route, &copy);
    writeStatus(copy);
    return placed;
}

// An optional file, when the package has it, or a folder (the pictures,
// copied on every run: only a package that brings them needs the copy to
// work), put into the target folder under its own name by the merge rule.
bool installNamed(const PlanEntry &entry)
{
    const QString source = staged(entry.source);
    const bool folder = entry.placement == PlanEntry::FolderCopiedInto;
    if (!folder && !QFile::exists(source))
        return true;
    const QString fresh = freshIn(entry.target, entry);
    exec::removeIgnoringStatus(route, fresh);
    const bool copied =
        exec::succeeds(route, QString::fromLatin1(folder ? "/bin/cp -rf %1 %2" : "/bin/cp %1 %2").arg(source, fresh));
    exec::sync(route);
    if (!copied) {
        exec::removeIgnoringStatus(route, fresh);
        return folder && !QFile::exists(source);
    }
    const QString target = QDir(entry.target).filePath(QFileInfo(source).fileName());
    if (!prepare(entry, fresh, target) || !exec::mergeByRename(route, fresh, target))
        return false;
    // A folder merged into one already there leaves its copy's shell.
    if (exec::present(fresh))
        exec::removeIgnoringStatus(route, fresh);
    return true;
}

// The robot models: the archive is copied onto the data share and unpacked
// there; judged by what is on disk against `models`, its directory, as the
// package's own unpacking is.
bool installUnpacked(const PlanEntry &entry, const QList<ZipEntry> &models)
{
    const QString archive = staged(entry.source);
    if (!QFile::exists(archive))
        return true;
    // The blank after the target is the pendant's software's own.
    const bool copied = exec::succeeds(route, QStringLiteral("/bin/cp %1 %2 ").arg(archive, entry.target));
    exec::sync(route);
    if (!copied)
        return false;
    const QString copy = entry.target + entry.source;
    exec::runIgnoringStatus(route, QStringLiteral("/bin/mkdir -p ") + entry.target + QFileInfo(entry.source).completeBaseName());
    exec::runIgnoringStatus(route, QStringLiteral("sync"));
    const CommandResult unpacked = exec::run(route, QStringLiteral("/usr/bin/unzip -o %1 -d %2").arg(copy, entry.target));
    exec::runIgnoringStatus(route, QStringLiteral("sync"));
    return unpacked.succeeded({0, 1}) && unpackedProblem(models, entry.target).isEmpty();
}

bool install(const PlanEntry &entry, const QList<ZipEntry> &models)
{
    switch (entry.placement) {
    case PlanEntry::ContentsInto:
    case PlanEntry::ProgramsInto: return installContents(entry);
    case PlanEntry::TopFilesInto: return installTopFiles(entry);
    case PlanEntry::ReplacesFolder: return installReplacingFolder(entry);
    case PlanEntry::ReplacesDatabase: return installDatabase(entry);
    case PlanEntry::CopiedInto:
    case PlanEntry::FolderCopiedInto: return installNamed(entry);
    case PlanEntry::UnpackedInto: return installUnpacked(entry, models);
    }
    return false;
}

// The staging folder must go; the removal of robot_model.zip fails when the
// package brought none, so its status tells nothing.
bool cleanUp()
{
    const bool removed = exec::succeeds(route, QStringLiteral("/bin/rm -rf ") + controller::staging_dir);
    exec::runIgnoringStatus(route, QStringLiteral("sync"));
    exec::runIgnoringStatus(route, QStringLiteral("/bin/rm %1/%2.zip %1/robot_model.zip").arg(nfs_space_dir, zip_file_name));
    exec::runIgnoringStatus(route, QStringLiteral("sync"));
    return removed;
}

}  // namespace

Problem installComponents(QProgressDialog &progress, const QList<ZipEntry> &models)
{
    for (const PlanEntry &entry : installPlan()) {
        if (!install(entry, models))
            return stepFailed(QString::fromUtf8(entry.step));
        if (entry.valueAfter >= 0)
            progress.setValue(entry.valueAfter);
        if (entry.labelAfter)
            progress.setLabelText(QString::fromUtf8(entry.labelAfter));
    }

    progress.setLabelText(QString::fromLocal8Bit("删除临时文件..."));
    if (!cleanUp())
        return stepFailed(QString::fromLocal8Bit("删除临时文件"));
    // The dialog hides itself at its maximum.
    progress.setValue(100);
    return {};
}

}  // namespace upgrade
