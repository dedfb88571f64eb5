// First half of the forced upgrade: confirmation, progress dialog, package
// search, mounting the controller's shares, copying and unpacking the
// package into the staging directory.

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include "exec/command_backend.h"
#include "controller/shares.h"
#include "controller/site.h"
#include "exec/shell_quote.h"
#include "ui/dialog_recipes.h"
#include "upgrade/force_upgrade.h"
#include "upgrade/package_checks.h"
#include "upgrade/upgrade_steps.h"

QString upgrade::packagePath(const QString &packageDir)
{
    return packageDir + QStringLiteral("/%1.zip").arg(zip_file_name);
}

ui::BoxStyle upgrade::resultBoxStyle()
{
    ui::BoxStyle style;
    style.sheet = flow_msg_qss;
    style.sizing = ui::BoxStyle::MinimumSize;
    style.defaultButton = true;
    return style;
}

namespace {

using exec::runSystem;

bool confirmed()
{
    ui::BoxStyle style;
    style.sheet = flow_msg_qss;
    const int clicked = ui::execStyledBox(
        QString::fromLocal8Bit("警告"), QMessageBox::Warning,
        QString::fromLocal8Bit("检测到强制升级程序？\n是否需要进行强制升级？"),
        {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole},
         {QString::fromLocal8Bit("取消"), QMessageBox::NoRole}},
        style);
    return clicked == 0;
}

// Both shares must come from the controller, or the controller's files
// would land on the pendant's own disk.
bool mountShares()
{
    const QString shares[] = {nfs_space_dir, workspace_dir};
    for (const QString &dir : shares) {
        if (!controller::mountShare(dir)) {
            ui::showPlainWarning(controller::mountFailureMessage(dir));
            return false;
        }
    }
    for (const QString &dir : shares) {
        if (!controller::shareMounted(dir)) {
            ui::showPlainWarning(controller::mountFailureMessage(dir));
            return false;
        }
    }
    return true;
}

}  // namespace

void ForceUpgrade(const QString &packageDir)
{
    if (!confirmed())
        return;

    QProgressDialog progress;
    ui::setupStyledProgress(progress, QString::fromLocal8Bit("开始升级..."),
                            ui::ProgressOrder::ShownThenSettled);

    // The argument holds the path's bytes one per character; the shell gets
    // them back unchanged, the existence test the file name they encode.
    const QString packagePath = upgrade::packagePath(packageDir);
    ui::setProgressLabel(progress,
                         QString::fromLocal8Bit("检查%1.zip压缩包是否存在...").arg(zip_file_name));
    if (!QFile::exists(exec::fileNameFromBytes(packagePath))) {
        ui::execStyledBox(QString::fromLocal8Bit("错误"), QMessageBox::Warning,
                          QString::fromLocal8Bit("无法找到%1.zip文件！").arg(zip_file_name),
                          {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole}},
                          upgrade::resultBoxStyle());
        return;
    }

    if (!mountShares())
        return;

    // Nothing is copied before the package is known to be sound and to fit.
    const QString packageFile = exec::fileNameFromBytes(packagePath);
    QList<upgrade::ZipEntry> entries;
    const QString problem = upgrade::packageProblem(packageFile, entries);
    if (!problem.isEmpty())
        return upgrade::showPackageWarning(problem);
    if (!upgrade::roomFor(upgrade::dataShareNeeds(QFileInfo(packageFile).size(), entries)))
        return;

    ui::setProgressValue(progress, 10);
    ui::setProgressLabel(progress, QString::fromLocal8Bit("拷贝%1.zip...").arg(zip_file_name));
    // A directory starting with '-' is still a path, never an option of cp.
    if (!runSystem(QStringLiteral("/bin/cp -rf ") + exec::shellQuoteOperand(packagePath) +
                   QStringLiteral(" /home/ostrel/nfs_space/"))
             .succeeded()) {
        ui::showPlainWarning("Copy %1.zip to nfs_space error!", zip_file_name);
        return;
    }

    ui::setProgressValue(progress, 30);
    ui::setProgressLabel(progress, QString::fromLocal8Bit("解压%1.zip...").arg(zip_file_name));
    // Start from an empty staging directory, so files of an earlier run never
    // stand in for entries a damaged package lacks.
    runSystem(QStringLiteral("/bin/rm -rf ") + controller::staging_dir);
    runSystem(QStringLiteral("/bin/mkdir -p ") + controller::staging_dir);
    runSystem(QStringLiteral("sync"));
    const exec::CommandResult unzip = runSystem(
        QStringLiteral("/usr/bin/unzip -o /home/ostrel/nfs_space/%1.zip -d /home/ostrel/nfs_space/tmp/").arg(zip_file_name));
    // unzip's status cannot be trusted alone (BusyBox's exits 1 for every
    // failure, Info-ZIP's for warnings that still extracted every file):
    // every entry of the package must be on disk as its directory gives it.
    QString unpacked;
    if (unzip.ended)
        unpacked = unzip.couldNotRun() ? QString::fromLocal8Bit("无法运行/usr/bin/unzip")
                                       : upgrade::unpackedProblem(entries, controller::staging_dir);
    if (!unpacked.isEmpty())
        return upgrade::showPackageWarning(unpacked);
    if (!unzip.succeeded({0, 1})) {
        ui::showPlainWarning("Unzip %1.zip to tmp error!", zip_file_name);
        return;
    }

    upgrade::installComponents(progress);
}
