// The forced upgrade from start to end: confirmation, progress dialog, the
// package's search, the controller's shares, the package policy and space
// checks, staging (package_staging.h) and installation
// (component_install.h).

#include "upgrade/force_upgrade.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include "controller/shares.h"
#include "controller/site.h"
#include "exec/shell_quote.h"
#include "ui/dialog_recipes.h"
#include "upgrade/component_install.h"
#include "upgrade/package_checks.h"
#include "upgrade/package_policy.h"
#include "upgrade/package_staging.h"
#include "upgrade/upgrade_boxes.h"

namespace {

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
            ui::showPlainWarning("mount %1 failed!", dir);
            return false;
        }
    }
    for (const QString &dir : shares) {
        if (!controller::shareMounted(dir)) {
            ui::showPlainWarning("mount %1 failed!", dir);
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

    // The argument holds the path's bytes one per character, and the package
    // path is formed by plain concatenation ("/tesma.zip" for an empty
    // one); the shell gets the bytes back unchanged, the existence test the
    // file name they encode.
    const QString packagePath = packageDir + QStringLiteral("/%1.zip").arg(zip_file_name);
    const QString packageFile = exec::fileNameFromBytes(packagePath);
    progress.setLabelText(QString::fromLocal8Bit("检查%1.zip压缩包是否存在...").arg(zip_file_name));
    if (!QFile::exists(packageFile))
        return upgrade::showResult(QString::fromLocal8Bit("错误"),
                                   QString::fromLocal8Bit("无法找到%1.zip文件！").arg(zip_file_name));

    if (!mountShares())
        return;
    // A run cut off between two renames left a folder set aside: the
    // controller gets it back before anything else is done.
    controller::recoverCutOffRun(exec::Route::System);

    // Nothing is copied before the package is known to be sound and to fit.
    QList<upgrade::ZipEntry> entries;
    const QString problem = upgrade::entriesProblem(packageFile, entries);
    if (!problem.isEmpty())
        return upgrade::showPackageWarning(problem);
    if (!upgrade::roomFor(upgrade::dataShareNeeds(QFileInfo(packageFile).size(), entries)))
        return;

    if (upgrade::stagePackage(progress, packagePath, entries))
        upgrade::installComponents(progress);
}
