#include "rescue/backup_restore.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <cstdio>

#include "controller/site.h"
#include "exec/command_backend.h"
#include "exec/execute_command.h"
#include "exec/shell_quote.h"
#include "log/run_log.h"
#include "rescue/recoverydialog.h"
#include "rescue/rescue_box.h"
#include "rescue/table_audit.h"
#include "ui/dialog_recipes.h"

namespace {

using controller::database_backups;
using controller::workspace_backups;
const QString &workspace = controller::project_workspace;
const QString &database_file = controller::database;

using controller::timeStamp;

void remove(const QString &path)
{
    ExecuteCommand(QStringLiteral("/bin/rm -rf ") + path);
}

// rename(2): one step on the share, never a half-moved entry; it replaces a
// file, or an empty folder, at `to`.
bool renameEntry(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool present(const QString &path)
{
    const QFileInfo entry(path);
    return entry.exists() || entry.isSymLink();
}

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

// The backup entry is copied beside the live workspace first; only a
// complete copy takes its place, and the old workspace is set aside until
// then, so on any failure the live workspace stays as it was, or, should
// even the move back fail, lies whole under the name it was set aside as.
WorkspaceRestore restoreWorkspace(const QString &name)
{
    WorkspaceRestore result;
    const QString staged = workspace + QStringLiteral(".restoring");
    const QString aside = workspace + QStringLiteral(".replaced");
    // A workspace set aside by an interrupted earlier restore may be the
    // only copy of the old project: it is kept under a name of its own.
    if (present(aside) && !renameEntry(aside, aside + QLatin1Char('.') + timeStamp()))
        return result;
    remove(staged);
    if (present(staged))
        return result;
    const QString source = exec::shellQuoteFileName(workspace_backups + QLatin1Char('/') + name);
    if (!exec::succeeds(QStringLiteral("/bin/cp -rf %1 %2").arg(source, staged))) {
        remove(staged);
        return result;
    }
    ExecuteCommand(QStringLiteral("sync"));

    const bool hadWorkspace = present(workspace);
    if (hadWorkspace && !renameEntry(workspace, aside)) {
        remove(staged);
        return result;
    }
    if (!renameEntry(staged, workspace)) {
        // Only a workspace that is back in place may lose its copy.
        if (!hadWorkspace || renameEntry(aside, workspace)) {
            remove(staged);
            return result;
        }
        result.outcome = WorkspaceRestore::Displaced;
        result.aside = aside;
        return result;
    }
    remove(aside);
    ExecuteCommand(QStringLiteral("sync"));
    result.outcome = WorkspaceRestore::Restored;
    return result;
}

// A database backup is the database file itself or a folder that holds
// dravon.db. It must hold every required table; the current database is
// kept under a time-stamped name, and the backup replaces it in one step.
bool restoreDatabase(const QString &name)
{
    QString candidate = database_backups + QLatin1Char('/') + name;
    if (QFileInfo(candidate).isDir())
        candidate += QStringLiteral("/dravon.db");
    if (!QFileInfo(candidate).isFile() || check_db_tables(candidate, nullptr) != audit_all_present)
        return false;

    const QString staged = database_file + QStringLiteral(".restoring");
    if (!exec::succeeds(QStringLiteral("/bin/cp -f %1 %2").arg(exec::shellQuoteFileName(candidate), staged))) {
        remove(staged);
        return false;
    }
    if (QFile::exists(database_file)) {
        const QString kept = database_file + QStringLiteral(".before_restore.") + timeStamp();
        if (!exec::succeeds(QStringLiteral("/bin/cp -f %1 %2").arg(database_file, kept))) {
            remove(staged);
            return false;
        }
    }
    if (!renameEntry(staged, database_file)) {
        remove(staged);
        return false;
    }
    ExecuteCommand(QStringLiteral("sync"));
    return true;
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
        ui::setProgressValue(progress, 50);
    }
    if (!database.isEmpty()) {
        if (!restoreDatabase(database)) {
            progress.close();
            // The project chosen with it is already in place: say so.
            return showWarning(project.isEmpty() ? "恢复失败，数据库未改变。"
                                                 : "工程已恢复；数据库恢复失败，数据库未改变。\n请重启机器人。");
        }
        ui::setProgressValue(progress, 100);
    }
    progress.close();
    showWarning("恢复完成，请重启机器人。");
}
