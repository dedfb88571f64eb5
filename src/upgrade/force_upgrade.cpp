// The forced upgrade from start to end, top to bottom: the confirmation,
// the package's search, then each check in order (its signature, the
// controller's shares, its directory, the room on the data share, the
// staging with the copy's signature, the unpacked package's required
// files, policy and room), the installation and the final message. Each
// check answers its problem; the flow shows the one box and ends.

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

using upgrade::Problem;

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

// On a stick that trusts signing keys, the package must carry a signature
// by one of them over the bytes on the stick; the run log names the key
// and the version text. A stick that trusts none says so in the log.
Problem trustProblem(QProgressDialog &progress, const QString &packageFile, const upgrade::TrustedKeys &trusted,
                     upgrade::SignedPackage &signedPackage)
{
    if (trusted.isEmpty()) {
        runlog::note(QStringLiteral("signature: packages are not verified (this stick trusts no signing key)"));
        return {};
    }
    progress.setLabelText(QString::fromLocal8Bit("校验%1.zip签名...").arg(zip_file_name));
    const QString problem = upgrade::signatureProblem(packageFile, trusted, signedPackage);
    if (problem.isEmpty())
        runlog::note(QStringLiteral("signature: %1 verified by key %2, version: %3")
                         .arg(upgrade::packageFileName(), signedPackage.keyFingerprint, signedPackage.version));
    else
        runlog::note(QStringLiteral("signature: refused: ") + problem);
    return upgrade::refused(problem);
}

// Both shares must come from the controller, or the controller's files
// would land on the pendant's own disk.
Problem mountProblem()
{
    const QString shares[] = {nfs_space_dir, workspace_dir};
    for (const QString &dir : shares)
        if (!controller::mountShare(dir))
            return {Problem::PlainWarning, QStringLiteral("mount %1 failed!").arg(dir)};
    for (const QString &dir : shares)
        if (!controller::shareMounted(dir))
            return {Problem::PlainWarning, QStringLiteral("mount %1 failed!").arg(dir)};
    return {};
}

// The copy on the data share is what gets unpacked: it must be the package
// that was signed, whatever happened on the stick since. A copy refused is
// removed again.
Problem copyTrustProblem(const upgrade::TrustedKeys &trusted, const upgrade::SignedPackage &signedPackage)
{
    if (trusted.isEmpty())
        return {};
    const QString problem = upgrade::signedCopyProblem(upgrade::stagedPackage(), signedPackage);
    if (problem.isEmpty())
        return {};
    runlog::note(QStringLiteral("signature: the copy on the share refused: ") + problem);
    exec::removeIgnoringStatus(exec::Route::System, upgrade::stagedPackage());
    return upgrade::refused(QString::fromLocal8Bit("拷贝到控制器的") + problem);
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
    const QString packagePath = packageDir + QLatin1Char('/') + upgrade::packageFileName();
    const QString packageFile = exec::fileNameFromBytes(packagePath);
    progress.setLabelText(QString::fromLocal8Bit("检查%1.zip压缩包是否存在...").arg(zip_file_name));
    if (!QFile::exists(packageFile))
        return upgrade::showResult(QString::fromLocal8Bit("错误"),
                                   QString::fromLocal8Bit("无法找到%1.zip文件！").arg(zip_file_name));

    // Nothing is copied before the package is known to be signed, sound and
    // to fit.
    upgrade::SignedPackage signedPackage;
    if (const Problem p = trustProblem(progress, packageFile, trusted, signedPackage))
        return upgrade::show(p);
    if (const Problem p = mountProblem())
        return upgrade::show(p);
    // A run cut off between two renames left a folder set aside: the
    // controller gets it back before anything else is done.
    controller::recoverCutOffRun(exec::Route::System);
    QList<upgrade::ZipEntry> entries;
    if (const Problem p = upgrade::refused(upgrade::entriesProblem(packageFile, entries)))
        return upgrade::show(p);
    if (const Problem p = upgrade::roomProblem(upgrade::dataShareNeeds(QFileInfo(packageFile).size(), entries)))
        return upgrade::show(p);

    // Staging: the copy, its signature again, the unpacking.
    if (const Problem p = upgrade::copyPackage(progress, packagePath))
        return upgrade::show(p);
    if (const Problem p = copyTrustProblem(trusted, signedPackage))
        return upgrade::show(p);
    if (const Problem p = upgrade::unpackPackage(progress, entries))
        return upgrade::show(p);

    // The unpacked package: a package that lacks a required entry, or that
    // is refused, or that does not fit, installs nothing at all.
    progress.setValue(50);
    progress.setLabelText(QString::fromLocal8Bit("更新HMI..."));
    if (const Problem p = upgrade::missingRequiredFile())
        return upgrade::show(p);
    QList<upgrade::ZipEntry> models;
    if (const Problem p = upgrade::stagedProblem(models))
        return upgrade::show(p);
    if (const Problem p = upgrade::roomProblem(upgrade::installNeeds(models)))
        return upgrade::show(p);

    if (const Problem p = upgrade::installComponents(progress, models))
        return upgrade::show(p);
    upgrade::showResult(QString::fromLocal8Bit("提示"), QString::fromLocal8Bit("升级成功，请手动重启系统！"));
}
