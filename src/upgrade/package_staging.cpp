#include "upgrade/package_staging.h"

#include <QProgressDialog>

#include "controller/site.h"
#include "exec/commands.h"
#include "exec/shell_quote.h"
#include "upgrade/package_file.h"
#include "upgrade/upgrade_boxes.h"

namespace upgrade {

Problem copyPackage(QProgressDialog &progress, const QString &packagePath)
{
    progress.setValue(10);
    progress.setLabelText(QString::fromLocal8Bit("拷贝%1.zip...").arg(zip_file_name));
    // A directory starting with '-' is still a path, never an option of cp.
    if (!exec::succeeds(exec::Route::System, QStringLiteral("/bin/cp -rf %1 %2/")
                                                 .arg(exec::shellQuoteOperand(packagePath), nfs_space_dir)))
        return {Problem::PlainWarning, QStringLiteral("Copy %1.zip to nfs_space error!").arg(zip_file_name)};
    return {};
}

QString stagedPackage()
{
    return QStringLiteral("%1/%2").arg(nfs_space_dir, packageFileName());
}

Problem unpackPackage(QProgressDialog &progress, const QList<ZipEntry> &entries)
{
    progress.setValue(30);
    progress.setLabelText(QString::fromLocal8Bit("解压%1.zip...").arg(zip_file_name));
    // Start from an empty staging directory, so files of an earlier run never
    // stand in for entries a damaged package lacks; whether that worked shows
    // in the check of the unpacked entries.
    exec::runIgnoringStatus(exec::Route::System, QStringLiteral("/bin/rm -rf ") + controller::staging_dir);
    exec::runIgnoringStatus(exec::Route::System, QStringLiteral("/bin/mkdir -p ") + controller::staging_dir);
    exec::runIgnoringStatus(exec::Route::System, QStringLiteral("sync"));
    const exec::CommandResult unzip = exec::run(exec::Route::System, QStringLiteral("/usr/bin/unzip -o %1 -d %2/")
                                                          .arg(stagedPackage(), controller::staging_dir));
    // unzip's status cannot be trusted alone (BusyBox's exits 1 for every
    // failure, Info-ZIP's for warnings that still extracted every file):
    // every entry of the package must be on disk as its directory gives it.
    QString unpacked;
    if (unzip.ended)
        unpacked = unzip.couldNotRun() ? QString::fromLocal8Bit("无法运行/usr/bin/unzip")
                                       : unpackedProblem(entries, controller::staging_dir);
    if (!unpacked.isEmpty())
        return refused(unpacked);
    if (!unzip.succeeded({0, 1}))
        return {Problem::PlainWarning, QStringLiteral("Unzip %1.zip to tmp error!").arg(zip_file_name)};
    return {};
}

}  // namespace upgrade
