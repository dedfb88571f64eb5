#include "rescue/backup_restore.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include "controller/site.h"
#include "database/dravon_db.h"
#include "database/schema.h"
#include "exec/file_ops.h"
#include "exec/shell_quote.h"
#include "log/run_log.h"
#include "rescue/recoverydialog.h"
#include "rescue/rescue_box.h"
#include "ui/dialog_recipes.h"

namespace {

constexpr exec::Route runner = exec::Route::Runner;

// How a restore of the workspace ended.
struct WorkspaceRestore {
    enum Outcome {
        Restored,   // the backup is the workspace now
        Unchanged,  // the workspace is as it was
        Displaced,  // the old workspace could not be put back: it lies at `aside`
    };
    Outcome outcome = Unchanged;
    QString aside;
};

// The backup entry is copied beside the live workspace first and given
// the owner and mode of what it replaces; only a complete copy takes its
// place, and the old workspace (or the link that stood there) is set aside
// until then, so on any failure the live workspace stays as it was, or,
// should even the move back fail, lies whole under the name it was set
// aside as, from where the next run puts it back.
WorkspaceRestore restoreWorkspace(const QString &name)
{
    WorkspaceRestore result;
    const QString staged = controller::project_workspace + QStringLiteral(".restoring");
    if (!exec::remove(runner, staged))
        return result;
    const QString source = exec::shellQuoteFileName(controller::workspace_backups + QLatin1Char('/') + name);
    if (!exec::succeeds(runner, QStringLiteral("/bin/cp -rf %1 %2").arg(source, staged))) {
        exec::removeIgnoringStatus(runner, staged);
        return result;
    }
    exec::sync(runner);
    exec::adoptOwnerAndMode(staged, controller::project_workspace);

    switch (exec::replaceByRename(runner, staged, controller::project_workspace, controller::timeStamp())) {
    case exec::Replacement::Placed:
        exec::sync(runner);
        result.outcome = WorkspaceRestore::Restored;
        break;
    case exec::Replacement::Unchanged:
        // Only a workspace that is back in place may lose its copy.
        exec::removeIgnoringStatus(runner, staged);
        break;
    case exec::Replacement::SetAside:
        result.outcome = WorkspaceRestore::Displaced;
        // This run's is the newest.
        result.aside = exec::setAside(controller::project_workspace).constLast();
        break;
    }
    return result;
}

// A database backup is the database file itself or a folder that holds
// dravon.db. It must hold every required table; the current database is
// kept under a time-stamped name, and the backup replaces it in one step.
bool restoreDatabase(const QString &name)
{
    QString candidate = controller::database_backups + QLatin1Char('/') + name;
    if (QFileInfo(candidate).isDir())
        candidate += QStringLiteral("/dravon.db");
    if (!QFileInfo(candidate).isFile() || check_db_tables(candidate, nullptr) != audit_all_present)
        return false;
    if (QFile::exists(controller::database) && database::keep(QStringLiteral("before_restore"), runner).isEmpty())
        return false;
    return database::replaceWith(candidate, QStringLiteral("restoring"), runner);
}

void showWarning(const QString &text)
{
    rescue::showBox(QString::fromLocal8Bit("警告"), QMessageBox::Critical, text, "确认");
}

void showWarning(const char *text)
{
    showWarning(QString::fromLocal8Bit(text));
}

}  // namespace

void recovery_process()
{
    RecoveryDialog dialog;
    dialog.setAttribute(Qt::WA_StyledBackground, true);
    dialog.setWindowFlags(ui::styled_window_flags);
    const bool confirmed = dialog.exec() != 0;
    const QString project = dialog.getProject();
    const QString database = dialog.getDatabase();
    runlog::box(QString::fromLocal8Bit("恢复"), QStringLiteral("project: %1, database: %2").arg(project, database),
                QString::fromLocal8Bit(confirmed ? "确认" : "取消"));
    if (!confirmed)
        return;

    if (project.isEmpty() && database.isEmpty())
        return showWarning("未选择恢复文件");

    QProgressDialog progress;
    ui::setupStyledProgress(progress, QString::fromLocal8Bit("开始修复流程..."));
    if (!project.isEmpty()) {
        const WorkspaceRestore restored = restoreWorkspace(project);
        if (restored.outcome == WorkspaceRestore::Displaced) {
            progress.close();
            return showWarning(QString::fromLocal8Bit("恢复失败，原工作空间无法放回原处。\n"
                                                      "原工作空间现位于：%1\n请联系厂家技术服务支持。")
                                   .arg(restored.aside));
        }
        if (restored.outcome != WorkspaceRestore::Restored) {
            progress.close();
            return showWarning("恢复失败，工作空间未改变。");
        }
        progress.setValue(50);
    }
    if (!database.isEmpty()) {
        if (!restoreDatabase(database)) {
            progress.close();
            // The project chosen with it is already in place: say so.
            return showWarning(project.isEmpty() ? "恢复失败，数据库未改变。"
                                                 : "工程已恢复；数据库恢复失败，数据库未改变。\n请重启机器人。");
        }
        progress.setValue(100);
    }
    progress.close();
    showWarning("恢复完成，请重启机器人。");
}
