// Second half of the forced upgrade: installs the unpacked components on the
// pendant and on the controller's shares, removes the staging files and
// tells the user to restart by hand.

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include "controller/site.h"
#include "exec/command_backend.h"
#include "ui/dialog_recipes.h"
#include "upgrade/package_checks.h"
#include "upgrade/upgrade_steps.h"

namespace upgrade {

namespace {

using exec::CommandResult;
using exec::runSystem;

const QString &data_share = nfs_space_dir;
const QString &workspace_share = workspace_dir;

// The time stamp of this run, taken once, for the names of kept copies.
QString runStamp()
{
    static const QString stamp = controller::timeStamp();
    return stamp;
}

// Runs the command and writes its raw system() status, then a blank, as one
// debug line: the exit code times 256, a signal's number for a shell that
// was killed, -1 when no shell ran.
CommandResult runLogged(const QString &command)
{
    const CommandResult result = runSystem(command);
    qDebug().nospace() << result.status << " ";
    return result;
}

bool ran(const QString &command)
{
    return runSystem(command).succeeded();
}

// Puts `fresh`, complete on the same share, in place of `target`. A file
// is replaced by one rename, so the target is always either the old or the
// new one. A folder cannot be renamed over a full one: the old folder is
// renamed aside first and removed once the new one is in place, and moved
// back should the second rename fail.
bool putInPlace(const QString &fresh, const QString &target)
{
    const QFileInfo old(target);
    if (!old.isDir() || old.isSymLink())
        return ran(QStringLiteral("/bin/mv -f %1 %2").arg(fresh, target));
    const QString aside = target + QStringLiteral(".replaced.") + runStamp();
    if (!ran(QStringLiteral("/bin/mv -f %1 %2").arg(target, aside)))
        return false;
    if (!ran(QStringLiteral("/bin/mv -f %1 %2").arg(fresh, target))) {
        runSystem(QStringLiteral("/bin/mv -f %1 %2").arg(aside, target));
        return false;
    }
    runSystem(QStringLiteral("/bin/rm -rf ") + aside);
    return true;
}

bool installHmi()
{
    const QString hmiDir = staged(QStringLiteral("Zivad-ADE/"));
    if (!ran(QStringLiteral("/bin/cp -rf ") + hmiDir + QStringLiteral("/* /root/workspace/")))
        return false;
    runSystem(QStringLiteral("sync"));
    const bool program = ran(QStringLiteral("/bin/chmod a+x /root/workspace/Zivad-ADE"));
    // Run for every package; only one that brings "Upgrade" needs it to work.
    const bool upgrader = ran(QStringLiteral("/bin/chmod a+x /root/workspace/Upgrade"));
    return program && (upgrader || !QFile::exists(hmiDir + QStringLiteral("Upgrade")));
}

// The copy is meant to put every regular, visible top-level file of HMI_Lib
// into /usr/lib; it skips subfolders and hidden files, and its glob matches
// nothing in an empty folder, so a non-zero status alone tells nothing. The
// step is judged by the files it was meant to install.
bool installLibraries()
{
    const CommandResult copy =
        runSystem(QStringLiteral("/bin/cp -f %1 %2")
                      .arg(QStringLiteral("/home/ostrel/nfs_space/tmp/%1/HMI_Lib/*").arg(zip_file_name),
                           QStringLiteral("/usr/lib")));
    runSystem(QStringLiteral("sync"));
    if (copy.succeeded())
        return true;
    const QDir libraries(staged(QStringLiteral("HMI_Lib")));
    for (const QFileInfo &file : libraries.entryInfoList(QDir::Files | QDir::NoSymLinks)) {
        const QFileInfo installed(QStringLiteral("/usr/lib/") + file.fileName());
        if (!installed.isFile() || installed.size() != file.size())
            return false;
    }
    return true;
}

// robot_control is copied whole beside the old one and then takes its place.
bool installControllerPrograms()
{
    const QString rcDir = staged(QStringLiteral("RC/"));
    const QString fresh = data_share + QStringLiteral("/robot_control.upgrading");
    runSystem(QStringLiteral("/bin/rm -rf ") + fresh);
    if (!ran(QStringLiteral("/bin/cp -rf ") + rcDir + QLatin1Char(' ') + fresh))
        return false;
    return putInPlace(fresh, data_share + QStringLiteral("/robot_control"));
}

// Puts the entry `fresh` at `target` the way a recursive copy onto the share
// would leave it, but never writing a file in place: a folder that both
// have is merged (each file the package brings replaces the one of its
// name, every other file there stays), anything else is put in place whole.
// A folder of the controller's is never replaced by a file of the package:
// the copy would refuse that too, and the folder's files would be lost.
bool mergeInPlace(const QString &fresh, const QString &target)
{
    const QFileInfo from(fresh), to(target);
    const bool folderThere = to.isDir() && !to.isSymLink();
    if (folderThere && (!from.isDir() || from.isSymLink()))
        return false;
    if (!folderThere)
        return putInPlace(fresh, target);
    const QStringList names =
        QDir(fresh).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        if (!mergeInPlace(fresh + QLatin1Char('/') + name, target + QLatin1Char('/') + name))
            return false;
    return true;
}

// The programs go into a folder of their own on the workspace share first;
// each is made executable there and then renamed into place, so the
// controller never sees a program cut short. Only the visible top-level
// entries of RC are installed, as a copy of RC/* would; the controller's own
// files on the share stay unless the package brings one of the same name.
bool installWorkspacePrograms()
{
    const QString rcDir = staged(QStringLiteral("RC/"));
    const QString fresh = workspace_share + QStringLiteral("/.rc_upgrading");
    runSystem(QStringLiteral("/bin/rm -rf ") + fresh);
    if (!runLogged(QStringLiteral("/bin/cp -rf ") + rcDir + QLatin1Char(' ') + fresh).succeeded())
        return false;
    runSystem(QStringLiteral("/bin/sync"));
    if (!ran(QStringLiteral("/bin/chmod a+x %1/dravon").arg(fresh)) ||
        !ran(QStringLiteral("/bin/chmod a+x %1/dravon_4").arg(fresh)))
        return false;
    const QStringList names = QDir(rcDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        if (!mergeInPlace(fresh + QLatin1Char('/') + name, workspace_share + QLatin1Char('/') + name))
            return false;
    runSystem(QStringLiteral("/bin/rm -rf ") + fresh);
    return true;
}

// The old database is kept as dravon.db.before_upgrade.<time>; the new one
// is copied beside it under a temporary name and renamed over it.
bool installDatabase()
{
    const QString &live = controller::database;
    const QString fresh = live + QStringLiteral(".upgrading");
    if (QFile::exists(live) &&
        !ran(QStringLiteral("/bin/cp -f %1 %1.before_upgrade.%2").arg(live, runStamp())))
        return false;
    const QString source = staged(QStringLiteral("dravon.db"));
    if (!runLogged(QStringLiteral("/bin/cp ") + source + QLatin1Char(' ') + fresh).succeeded())
        return false;
    const bool placed = putInPlace(fresh, live);
    runSystem(QStringLiteral("sync"));
    return placed;
}

// The optional entries; answers the step that failed, or an empty string.
QString installOptionalFiles()
{
    if (QFile::exists(staged(QStringLiteral("db_upgrade.sh")))) {
        const bool copied = ran(QStringLiteral("/bin/cp ") + staged(QStringLiteral("db_upgrade.sh")) +
                                QStringLiteral(" /root/workspace"));
        runSystem(QStringLiteral("/bin/sync"));
        if (!copied || !ran(QStringLiteral("/bin/chmod a+x /root/workspace/db_upgrade.sh")))
            return QStringLiteral("db_upgrade.sh");
    }
    // Run for every package; only one that brings pictures needs it to work.
    const bool pictures = ran(QStringLiteral("/bin/cp -rf /home/ostrel/nfs_space/tmp/%1/pictures /root/workspace")
                                  .arg(zip_file_name));
    runSystem(QStringLiteral("/bin/sync"));
    if (!pictures && QFile::exists(staged(QStringLiteral("pictures"))))
        return QStringLiteral("pictures");
    if (QFile::exists(staged(QStringLiteral("sqlite3")))) {
        const bool copied =
            ran(QStringLiteral("/bin/cp ") + staged(QStringLiteral("sqlite3")) + QStringLiteral(" /usr/bin"));
        runSystem(QStringLiteral("/bin/sync"));
        if (!copied || !ran(QStringLiteral("/bin/chmod a+x /usr/bin/sqlite3")))
            return QStringLiteral("sqlite3");
    }
    if (QFile::exists(staged(QStringLiteral("robot_model.zip")))) {
        const bool copied = ran(QStringLiteral("/bin/cp ") + staged(QStringLiteral("robot_model.zip")) +
                                QStringLiteral(" /home/ostrel/nfs_space/ "));
        runSystem(QStringLiteral("/bin/sync"));
        if (!copied)
            return QStringLiteral("robot_model.zip");
        runSystem(QStringLiteral("/bin/mkdir -p /home/ostrel/nfs_space/robot_model"));
        runSystem(QStringLiteral("sync"));
        const CommandResult unpacked = runSystem(QStringLiteral(
            "/usr/bin/unzip -o /home/ostrel/nfs_space/robot_model.zip -d /home/ostrel/nfs_space/"));
        runSystem(QStringLiteral("sync"));
        // Judged by what is on disk, as the package's own unpacking is.
        QList<ZipEntry> models;
        if (!unpacked.succeeded({0, 1}) || !readZipDirectory(staged(QStringLiteral("robot_model.zip")), models) ||
            !unpackedProblem(models, data_share).isEmpty())
            return QStringLiteral("robot_model.zip");
    }
    return QString();
}

// The staging folder must go; the removal of robot_model.zip fails when the
// package brought none, so its status tells nothing.
bool cleanUp()
{
    const bool removed = ran(QStringLiteral("/bin/rm -rf ") + controller::staging_dir);
    runSystem(QStringLiteral("sync"));
    runSystem(QStringLiteral("/bin/rm /home/ostrel/nfs_space/%1.zip /home/ostrel/nfs_space/robot_model.zip")
                  .arg(zip_file_name));
    runSystem(QStringLiteral("sync"));
    return removed;
}

// A step that failed ends the upgrade: the box names it; what is already
// installed stays, and a second run installs everything again.
void showStepFailed(const QString &step)
{
    ui::execStyledBox(QString::fromLocal8Bit("错误"), QMessageBox::Warning,
                      QString::fromLocal8Bit("升级未完成：%1失败。\n请再次运行升级程序以完成升级。").arg(step),
                      {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole}}, resultBoxStyle());
}

}  // namespace

QString staged(const QString &entry)
{
    return packageRoot() + entry;
}

QString packageRoot()
{
    return controller::staging_dir + QStringLiteral("/%1/").arg(zip_file_name);
}

bool requiredEntriesPresent()
{
    struct Entry {
        const char *path;
        const char *missing;
    };
    static const Entry required[] = {
        {"Zivad-ADE/Zivad-ADE", "Can not find file Zivad-ADE in zip files!"},
        {"RC/dravon", "Can not find file dravon in zip files!"},
        {"RC/dravon_4", "Can not find file dravon_4 in zip files!"},
        {"dravon.db", "Can not find file dravon.db in zip files!"},
    };
    for (const Entry &entry : required) {
        if (!QFile::exists(staged(QLatin1String(entry.path)))) {
            ui::showPlainWarning(entry.missing);
            return false;
        }
    }
    return true;
}

void installComponents(QProgressDialog &progress)
{
    ui::setProgressValue(progress, 50);
    ui::setProgressLabel(progress, QString::fromLocal8Bit("更新HMI..."));
    // A package that lacks a required entry, or that is refused, or that
    // does not fit, installs nothing at all.
    if (!requiredEntriesPresent())
        return;
    const QString problem = stagedProblem();
    if (!problem.isEmpty())
        return showPackageWarning(problem);
    if (!roomFor(installNeeds()))
        return;
    if (!installHmi())
        return showStepFailed(QString::fromLocal8Bit("更新HMI"));

    ui::setProgressValue(progress, 60);
    if (!installLibraries())
        return showStepFailed(QString::fromLocal8Bit("更新HMI_Lib"));

    ui::setProgressValue(progress, 70);
    ui::setProgressLabel(progress, QString::fromLocal8Bit("更新dravon..."));
    if (!installControllerPrograms())
        return showStepFailed(QString::fromLocal8Bit("更新robot_control"));
    if (!installWorkspacePrograms())
        return showStepFailed(QString::fromLocal8Bit("更新dravon"));
    ui::setProgressValue(progress, 80);

    ui::setProgressLabel(progress, QString::fromLocal8Bit("更新dravon.db..."));
    if (!installDatabase())
        return showStepFailed(QString::fromLocal8Bit("更新dravon.db"));
    ui::setProgressValue(progress, 90);

    const QString optional = installOptionalFiles();
    if (!optional.isEmpty())
        return showStepFailed(QString::fromLocal8Bit("安装") + optional);

    ui::setProgressLabel(progress, QString::fromLocal8Bit("删除临时文件..."));
    if (!cleanUp())
        return showStepFailed(QString::fromLocal8Bit("删除临时文件"));
    // The dialog hides itself at its maximum.
    ui::setProgressValue(progress, 100);

    ui::execStyledBox(QString::fromLocal8Bit("提示"), QMessageBox::Warning,
                      QString::fromLocal8Bit("升级成功，请手动重启系统！"),
                      {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole}},
                      resultBoxStyle());
}

}  // namespace upgrade
