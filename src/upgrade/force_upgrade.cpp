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
#include "exec/file_ops.h"
#include "exec/shell_quote.h"
#include "log/run_log.h"
#include "ui/dialog_recipes.h"
#include "upgrade/component_install.h"
#include "upgrade/package_checks.h"
#include "upgrade/package_file.h"
#include "upgrade/package_policy.h"
#include "upgrade/package_signature.h"
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

// On a stick that trusts signing keys, the package must carry a signature
// by one of them over the bytes on the stick; the run log names the key
// and the version text. A stick that trusts none says so in the log.
QString trustProblem(const QString &packageFile, const upgrade::TrustedKeys &trusted,
                     upgrade::SignedPackage &signedPackage)
{
    if (trusted.isEmpty()) {
        runlog::note(QStringLiteral("signature: packages are not verified (this stick trusts no signing key)"));
        return QString();
    }
    const QString problem = upgrade::signatureProblem(packageFile, trusted, signedPackage);
    if (problem.isEmpty())
        runlog::note(QStringLiteral("signature: %1 verified by key %2, version: %3")
                         .arg(upgrade::packageFileName(), signedPackage.keyFingerprint, signedPackage.version));
    else
        runlog::note(QStringLiteral("signature: refused: ") + problem);
    return problem;
}

}  // namespace

void ForceUpgrade(const QString &packageDir, const upgrade::TrustedKeys &trusted)
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

    upgrade::SignedPackage signedPackage;
    if (!trusted.isEmpty())
        progress.setLabelText(QString::fromLocal8Bit("校验%1.zip签名...").arg(zip_file_name));
    const QString untrusted = trustProblem(packageFile, trusted, signedPackage);
    if (!untrusted.isEmpty())
        return upgrade::showPackageWarning(untrusted);

    if (!mountShares())
        return;

    // Nothing is copied before the package is known to be sound and to fit.
    QList<upgrade::ZipEntry> entries;
    const QString problem = upgrade::entriesProblem(packageFile, entries);
    if (!problem.isEmpty())
        return upgrade::showPackageWarning(problem);
    if (!upgrade::roomFor(upgrade::dataShareNeeds(QFileInfo(packageFile).size(), entries)))
        return;

    if (!upgrade::copyPackage(progress, packagePath))
        return;
    // The copy is what gets unpacked: it must be the package that was
    // signed, whatever happened on the stick since.
    if (!trusted.isEmpty()) {
        const QString problem = upgrade::signedCopyProblem(upgrade::stagedPackage(), signedPackage);
        if (!problem.isEmpty()) {
            runlog::note(QStringLiteral("signature: the copy on the share refused: ") + problem);
            exec::removeIgnoringStatus(exec::Route::System, upgrade::stagedPackage());
            return upgrade::showPackageWarning(QString::fromLocal8Bit("拷贝到控制器的") + problem);
        }
    }
    if (upgrade::unpackPackage(progress, entries))
        upgrade::installComponents(progress);
}
