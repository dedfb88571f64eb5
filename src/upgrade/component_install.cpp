// Second half of the forced upgrade: installs the unpacked components on the
// pendant and on the controller's shares, removes the staging files and
// tells the user to restart by hand.

#include <QDebug>
#include <QFile>
#include <QProgressDialog>

#include "exec/command_backend.h"
#include "ui/dialog_recipes.h"
#include "upgrade/upgrade_steps.h"

namespace upgrade {

namespace {

using exec::runSystem;

QString staged(const QString &entry)
{
    return packageRoot() + entry;
}

// Runs the command and writes its raw system() status, then a blank, as one
// debug line.
void runLogged(const QString &command)
{
    const exec::CommandResult result = runSystem(command);
    // The raw status as system() gives it: the exit code times 256.
    qDebug().nospace() << (result.ended ? result.exitCode << 8 : -1) << " ";
}

void installHmi()
{
    const QString hmiDir = staged(QStringLiteral("Zivad-ADE/"));
    runSystem(QStringLiteral("/bin/cp -rf ") + hmiDir + QStringLiteral("/* /root/workspace/"));
    runSystem(QStringLiteral("sync"));
    runSystem(QStringLiteral("/bin/chmod a+x /root/workspace/Zivad-ADE"));
    runSystem(QStringLiteral("/bin/chmod a+x /root/workspace/Upgrade"));
}

void installLibraries()
{
    runSystem(QStringLiteral("/bin/cp -f %1 %2")
                  .arg(QStringLiteral("/home/ostrel/nfs_space/tmp/%1/HMI_Lib/*").arg(zip_file_name),
                       QStringLiteral("/usr/lib")));
    runSystem(QStringLiteral("sync"));
}

void installControllerPrograms()
{
    const QString rcDir = staged(QStringLiteral("RC/"));
    runSystem(QStringLiteral("/bin/rm -rf ") + QStringLiteral("/home/ostrel/nfs_space/robot_control"));
    // The target no longer exists, so the copy takes its name.
    runSystem(QStringLiteral("/bin/cp -rf ") + rcDir + QLatin1Char(' ') +
              QStringLiteral("/home/ostrel/nfs_space/robot_control"));
    runSystem(QStringLiteral("/bin/rm -rf /home/ostrel/workspace/dravon  /home/ostrel/workspace/dravon_4"));
    runLogged(QStringLiteral("/bin/cp -rf ") + rcDir + QStringLiteral("/* /home/ostrel/workspace/"));
    runSystem(QStringLiteral("/bin/sync"));
    runSystem(QStringLiteral("/bin/chmod a+x /home/ostrel/workspace/dravon"));
    runSystem(QStringLiteral("/bin/chmod a+x /home/ostrel/workspace/dravon_4"));
}

void installOptionalFiles()
{
    if (QFile::exists(staged(QStringLiteral("db_upgrade.sh")))) {
        runSystem(QStringLiteral("/bin/cp ") + staged(QStringLiteral("db_upgrade.sh")) +
                  QStringLiteral(" /root/workspace"));
        runSystem(QStringLiteral("/bin/sync"));
        runSystem(QStringLiteral("/bin/chmod a+x /root/workspace/db_upgrade.sh"));
    }
    runSystem(QStringLiteral("/bin/cp -rf /home/ostrel/nfs_space/tmp/%1/pictures /root/workspace")
                  .arg(zip_file_name));
    runSystem(QStringLiteral("/bin/sync"));
    if (QFile::exists(staged(QStringLiteral("sqlite3")))) {
        runSystem(QStringLiteral("/bin/cp ") + staged(QStringLiteral("sqlite3")) +
                  QStringLiteral(" /usr/bin"));
        runSystem(QStringLiteral("/bin/sync"));
        runSystem(QStringLiteral("/bin/chmod a+x /usr/bin/sqlite3"));
    }
    if (QFile::exists(staged(QStringLiteral("robot_model.zip")))) {
        runSystem(QStringLiteral("/bin/cp ") + staged(QStringLiteral("robot_model.zip")) +
                  QStringLiteral(" /home/ostrel/nfs_space/ "));
        runSystem(QStringLiteral("/bin/sync"));
        runSystem(QStringLiteral("/bin/mkdir -p /home/ostrel/nfs_space/robot_model"));
        runSystem(QStringLiteral("sync"));
        runSystem(QStringLiteral(
            "/usr/bin/unzip -o /home/ostrel/nfs_space/robot_model.zip -d /home/ostrel/nfs_space/"));
        runSystem(QStringLiteral("sync"));
    }
}

void cleanUp()
{
    runSystem(QStringLiteral("/bin/rm -rf /home/ostrel/nfs_space/tmp"));
    runSystem(QStringLiteral("sync"));
    runSystem(QStringLiteral("/bin/rm /home/ostrel/nfs_space/%1.zip /home/ostrel/nfs_space/robot_model.zip")
                  .arg(zip_file_name));
    runSystem(QStringLiteral("sync"));
}

}  // namespace

QString packageRoot()
{
    return QStringLiteral("/home/ostrel/nfs_space/tmp/%1/").arg(zip_file_name);
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
    // A package that lacks a required entry installs nothing at all.
    if (!requiredEntriesPresent())
        return;
    installHmi();

    ui::setProgressValue(progress, 60);
    installLibraries();

    ui::setProgressValue(progress, 70);
    ui::setProgressLabel(progress, QString::fromLocal8Bit("更新dravon..."));
    installControllerPrograms();
    ui::setProgressValue(progress, 80);

    ui::setProgressLabel(progress, QString::fromLocal8Bit("更新dravon.db..."));
    runLogged(QStringLiteral("/bin/cp ") + staged(QStringLiteral("dravon.db")) +
              QStringLiteral(" /home/ostrel/nfs_space/"));
    runSystem(QStringLiteral("sync"));
    ui::setProgressValue(progress, 90);

    installOptionalFiles();

    ui::setProgressLabel(progress, QString::fromLocal8Bit("删除临时文件..."));
    cleanUp();
    // The dialog hides itself at its maximum.
    ui::setProgressValue(progress, 100);

    ui::execStyledBox(QString::fromLocal8Bit("提示"), QMessageBox::Warning,
                      QString::fromLocal8Bit("升级成功，请手动重启系统！"),
                      {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole}},
                      resultBoxStyle());
}

}  // namespace upgrade
