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

QString asideSuffix()
{
    return QStringLiteral(".replaced.") + runStamp();
}

// The diagnostic line the pendant's software writes after two copies: the
// raw system() status, then a blank (the exit code times 256, a signal's
// number for a shell that was killed, -1 when no shell ran).
void writeStatus(const CommandResult &result)
{
    qDebug().nospace() << result.status << " ";
}

// Makes the entry's executables executable in `dir`. A program the package
// does not bring may fail to be (the chmod runs for every package).
bool makeExecutable(const PlanEntry &entry, const QString &dir)
{
    for (const QString &name : entry.executables) {
        const QString path = dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
        if (!exec::succeeds(route, QStringLiteral("/bin/chmod a+x ") + path) &&
            QFile::exists(staged(entry.source) + (entry.source.endsWith(QLatin1Char('/')) ? name : QString())))
            return false;
    }
    return true;
}

// The HMI: the folder's content (as the shell's * sees it) into the target.
bool installContents(const PlanEntry &entry)
{
    if (!exec::succeeds(route, QStringLiteral("/bin/cp -rf %1/* %2").arg(staged(entry.source), entry.target)))
        return false;
    exec::runIgnoringStatus(route, QStringLiteral("sync"));
    return makeExecutable(entry, entry.target);
}

// The libraries: the copy is meant to put every regular, visible top-level
// file into the target; it skips subfolders and hidden files, and its glob
// matches nothing in an empty folder, so a non-zero status alone tells
// nothing. The step is judged by the files it was meant to install.
bool installTopFiles(const PlanEntry &entry)
{
    const CommandResult copy =
        exec::run(route, QStringLiteral("/bin/cp -f %1* %2").arg(staged(entry.source), entry.target));
    exec::runIgnoringStatus(route, QStringLiteral("sync"));
    if (copy.succeeded())
        return true;
    const QDir files(staged(entry.source));
    for (const QFileInfo &file : files.entryInfoList(QDir::Files | QDir::NoSymLinks)) {
        const QFileInfo installed(entry.target + QLatin1Char('/') + file.fileName());
        if (!installed.isFile() || installed.size() != file.size())
            return false;
    }
    return true;
}

// robot_control: copied whole beside the old one, then takes its place.
bool installReplacingFolder(const PlanEntry &entry)
{
    const QString fresh = entry.target + QStringLiteral(".upgrading");
    exec::removeIgnoringStatus(route, fresh);
    if (!exec::succeeds(route, QStringLiteral("/bin/cp -rf %1 %2").arg(staged(entry.source), fresh)))
        return false;
    return exec::replaceByRename(route, fresh, entry.target, entry.target + asideSuffix()) ==
           exec::Replacement::Placed;
}

// The controller programs go into a folder of their own on the workspace
// share first; each is made executable there and then put in place by the
// share's merge rule, so the controller never sees a program cut short and
// its own files stay unless the package brings one of the same name. Only
// the visible top-level entries are installed, as a copy of RC/* would.
bool installPrograms(const PlanEntry &entry)
{
    const QString source = staged(entry.source);
    const QString fresh = entry.target + QStringLiteral("/.rc_upgrading");
    exec::removeIgnoringStatus(route, fresh);
    const CommandResult copy = exec::run(route, QStringLiteral("/bin/cp -rf %1 %2").arg(source, fresh));
    writeStatus(copy);
    if (!copy.succeeded())
        return false;
    exec::sync(route);
    for (const QString &name : entry.executables)
        if (!exec::succeeds(route, QStringLiteral("/bin/chmod a+x %1/%2").arg(fresh, name)))
            return false;
    const QStringList names = QDir(source).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        if (!exec::mergeByRename(route, fresh + QLatin1Char('/') + name, entry.target + QLatin1Char('/') + name,
                                 asideSuffix()))
            return false;
    exec::removeIgnoringStatus(route, fresh);
    return true;
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

// An optional file, when the package has it.
bool installFile(const PlanEntry &entry)
{
    if (!QFile::exists(staged(entry.source)))
        return true;
    const bool copied = exec::succeeds(route, QStringLiteral("/bin/cp %1 %2").arg(staged(entry.source), entry.target));
    exec::sync(route);
    return copied && makeExecutable(entry, entry.target);
}

// The pictures: copied on every run; only a package that brings them needs
// the copy to work.
bool installFolder(const PlanEntry &entry)
{
    const bool copied =
        exec::succeeds(route, QStringLiteral("/bin/cp -rf %1 %2").arg(staged(entry.source), entry.target));
    exec::sync(route);
    return copied || !QFile::exists(staged(entry.source));
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
    case PlanEntry::ContentsInto: return installContents(entry);
    case PlanEntry::TopFilesInto: return installTopFiles(entry);
    case PlanEntry::ReplacesFolder: return installReplacingFolder(entry);
    case PlanEntry::ProgramsInto: return installPrograms(entry);
    case PlanEntry::ReplacesDatabase: return installDatabase(entry);
    case PlanEntry::CopiedInto: return installFile(entry);
    case PlanEntry::FolderCopiedInto: return installFolder(entry);
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
