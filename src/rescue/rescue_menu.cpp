#include "rescue/rescue_menu.h"

#include "controller/shares.h"
#include "rescue/backup_restore.h"
#include "rescue/database_repair.h"
#include "rescue/mount_check.h"
#include "ui/dialog_recipes.h"

void startRescueMode()
{
    if (!check_mount_state())
        return;
    // An upgrade or restore cut off between two renames left a folder set
    // aside: the controller gets it back before anything else is done.
    controller::recoverCutOffRun(exec::Route::Runner);

    const int chosen = ui::execStyledBox(
        QString::fromLocal8Bit("警告"), QMessageBox::Critical,
        QString::fromLocal8Bit("程序进入抢救模式！\n请选择抢救流程："),
        {{QString::fromLocal8Bit("修复"), QMessageBox::YesRole},
         {QString::fromLocal8Bit("恢复"), QMessageBox::NoRole},
         {QString::fromLocal8Bit("取消"), QMessageBox::RejectRole}});
    // One procedure at most; there is no way back to the menu.
    if (chosen == 0)
        fixed_process();
    else if (chosen == 1)
        recovery_process();
}
