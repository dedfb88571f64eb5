#include "rescue/mount_check.h"

#include <QProgressDialog>

#include "controller/shares.h"
#include "controller/site.h"
#include "exec/execute_command.h"
#include "rescue/rescue_box.h"
#include "ui/dialog_recipes.h"

namespace {

// How long the network test lets "/bin/ping <controller> -c 4" run: four
// echo requests one second apart take about 3.06 s against a controller that
// answers, so the limit leaves ample room on a loaded panel, while a silent
// controller keeps ping running for more than 6 s and is still caught.
constexpr int ping_limit_ms = 5000;

QString mountFailedTitle()
{
    return QString::fromLocal8Bit("工作空间挂载失败");
}

}  // namespace

bool check_mount_state()
{
    QProgressDialog progress;
    ui::setupStyledProgress(progress, QString::fromLocal8Bit("正在检查网络状态..."));

    // Only whether ping ends in time counts: a link that fails at once (no
    // route) passes here and shows up in the mount-table test.
    QString output;
    if (ExecuteCommand(QStringLiteral("/bin/ping ") + nfs_server_ip + QStringLiteral(" -c 4"), output,
                       ping_limit_ms) == 0) {
        // The progress dialog stays on screen behind the box.
        rescue::showBox(
            mountFailedTitle(), QMessageBox::Critical,
            QString::fromLocal8Bit("示教器无法连接到主机\n\n请检查示教器到控制器的硬件线路连接，"
                                   "或检查控制器硬盘是否损坏。\n请参考标准作业流程。"));
        return false;
    }

    progress.setLabelText(QString::fromLocal8Bit("正在挂载工作空间..."));
    progress.setValue(20);
    for (const QString &dir : {nfs_space_dir, workspace_dir}) {
        if (!controller::mountShare(dir)) {
            progress.close();
            ui::showPlainWarning("mount %1 failed!", dir);
            return false;
        }
    }

    ExecuteCommand(QStringLiteral("/bin/df -h | /bin/grep ") + nfs_server_ip, output, -1);
    if (output.contains(nfs_server_ip)) {
        progress.setLabelText(QString::fromLocal8Bit("挂载完成。"));
        progress.setValue(100);
        progress.close();
        return true;
    }
    progress.close();
    rescue::showBox(mountFailedTitle(), QMessageBox::Critical,
                           QString::fromLocal8Bit("工作空间挂载失败\n\n网络链路正常，工作空间挂载异常。\n"
                                                  "请检查控制器软件执行权限或NFS服务状态是否正常。\n"
                                                  "请联系厂家技术服务支持。"));
    return false;
}
