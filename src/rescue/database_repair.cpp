#include "rescue/database_repair.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include "controller/site.h"
#include "database/dravon_db.h"
#include "database/schema.h"
#include "database/sqlite_shell.h"
#include "exec/file_ops.h"
#include "exec/shell_quote.h"
#include "exec/tool_dir.h"
#include "rescue/database_salvage.h"
#include "rescue/rescue_box.h"
#include "ui/dialog_recipes.h"

namespace {

// A controller database of this size or less is beyond repair.
const qint64 size_floor = 99999;

void failWith(QProgressDialog &progress, const char *title, const char *text)
{
    progress.close();
    rescue::showBox(QString::fromLocal8Bit(title), QMessageBox::Critical, QString::fromLocal8Bit(text));
}

enum class Rebuild { Done, BackupFailed, DumpIncomplete, NotPlaced, TimedOut };

// Rebuilds the database from its dump while keeping the damaged file
// (dravon.db.badbak.<time>, its path into `badBackup`). The rebuilt file
// replaces the damaged one only once the kept copy is known to be whole,
// and only by a rename, so the database is at every moment either the
// damaged file or the rebuilt one. A dump that lacks tables (the dump stops
// at the first unreadable page) goes no further: DumpIncomplete, with the
// database as it was.
Rebuild rebuild(QProgressDialog &progress, const QString &tool, QString &badBackup, int limitMs)
{
    exec::removeIgnoringStatus(exec::Route::Runner, controller::dump_file);
    badBackup = database::keep(QStringLiteral("badbak"), exec::Route::Runner);
    if (badBackup.isEmpty())
        return Rebuild::BackupFailed;
    // A table's SQL text may hold a line that the dump prints as it stands.
    const exec::CommandResult dump =
        database::loadSafely(tool, controller::database, QStringLiteral(".dump"), controller::dump_file, limitMs);
    exec::sync(exec::Route::Runner);
    if (!dump.ended)
        return Rebuild::TimedOut;
    if (check_db_tables(controller::dump_file, &progress) != audit_all_present)
        return Rebuild::DumpIncomplete;
    return database::replaceWith(controller::dump_file, QStringLiteral("repairing"), exec::Route::Runner)
               ? Rebuild::Done
               : Rebuild::NotPlaced;
}

// The box of a rebuilt or salvaged `file` that could not take the
// database's place: the database is as it was; the cause is almost always
// the share (full, or the rename refused).
void showNotPlaced(QProgressDialog &progress, const QString &file)
{
    progress.close();
    const QString where = QFileInfo::exists(file)
                              ? QString::fromLocal8Bit("修复后的数据库保存在%1。").arg(file)
                              : QString::fromLocal8Bit("修复后的数据库已删除。");
    rescue::showBox(QString::fromLocal8Bit("数据库错误"), QMessageBox::Critical,
                    QString::fromLocal8Bit("修复失败：修复后的数据库无法替换原数据库，数据库未改变。\n"
                                           "请检查控制器硬盘空间。\n") +
                        where);
}

// The box of a shell stopped at its limit, after `step`.
void showTimedOut(QProgressDialog &progress, const QString &step, int limitMs)
{
    progress.close();
    rescue::showBox(QString::fromLocal8Bit("sqlite3错误"), QMessageBox::Critical,
                    QString::fromLocal8Bit("数据库恢复工具(sqlite3)%1超过%2分钟仍未完成，已停止。\n数据库未改变。")
                        .arg(step)
                        .arg((limitMs + 59999) / 60000));
}

}  // namespace

void fixed_process()
{
    QProgressDialog progress;
    ui::setupStyledProgress(progress, QString::fromLocal8Bit("开始修复流程..."), ui::ProgressOrder::CancelRemovedAfterShow);

    QString badBackup;
    const QString toolPath = exec::stickSqlite3();

    if (!QFile::exists(toolPath))
        return failWith(progress, "sqlite3错误", "U盘中不存在数据库恢复工具(sqlite3)。");
    if (!QFile::exists(controller::database))
        return failWith(progress, "数据库错误", "控制器数据库不存在，请检查工控机文件系统完整性。");
    if (QFile(controller::database).size() <= size_floor)
        return failWith(progress, "数据库错误", "控制器数据库损坏严重，无法修复。\n请联系厂家技术服务支持。");

    progress.setValue(25);
    // The stick may be mounted at a path with blanks or other shell characters.
    const QString tool = exec::shellQuoteFileName(toolPath);
    const int limitMs = database::shellTimeLimit(QFileInfo(controller::database).size());
    exec::runIgnoringStatus(exec::Route::Runner, QStringLiteral("/bin/chmod a+x %1").arg(tool));
    // A shell that cannot run here (no run bit on a read-only stick, built
    // for another processor, a folder) says nothing about the database.
    // A shell that does not answer its version in time is not tried again
    // on the database.
    const exec::CommandResult version = database::shellVersionLine(tool);
    const char *cannotRun = "U盘中的数据库恢复工具(sqlite3)无法在本示教器上运行。\n数据库未改变。";
    if (!version.succeeded() || database::shellVersion(version.firstLine) < 0)
        return failWith(progress, "sqlite3错误", cannotRun);
    const exec::CommandResult check = database::integrityCheck(tool, controller::database, limitMs);
    if (check.couldNotRun() && check.firstLine.isEmpty())
        return failWith(progress, "sqlite3错误", cannotRun);
    if (!check.ended)
        return showTimedOut(progress, QString::fromLocal8Bit("检查数据库"), limitMs);

    if (database::integrityPassed(check)) {
        if (check_db_tables(controller::database, &progress) != audit_all_present)
            return failWith(progress, "数据库错误", "控制器数据库损坏严重，已无法修复。\n请联系厂家技术服务支持。");
        // At its maximum the progress dialog hides itself.
        progress.setValue(100);
        return rescue::showBox(QString::fromLocal8Bit("修复完成"), QMessageBox::Information,
                               QString::fromLocal8Bit("未发现系统异常。"));
    }
    if (database::shellVersion(version.firstLine) < database::safe_shell_version) {
        progress.close();
        return rescue::showBox(QString::fromLocal8Bit("sqlite3错误"), QMessageBox::Critical,
                               QString::fromLocal8Bit("U盘中的数据库恢复工具(sqlite3)版本过旧（%1），无法安全修复。\n"
                                                      "请使用U盘自带的sqlite3。数据库未改变。")
                                   .arg(version.firstLine.section(QLatin1Char(' '), 0, 0)));
    }
    switch (::rebuild(progress, tool, badBackup, limitMs)) {
    case Rebuild::Done:
        progress.setValue(100);
        return rescue::showBox(QString::fromLocal8Bit("修复完成"), QMessageBox::Information,
                               QString::fromLocal8Bit("dravon.db数据库损坏 ... 已修复;\n"
                                                      "修复完成，请重启机器人。\n！！！请务必确认机型、零点、限位等重要信息。\n"
                                                      "！！！本软件无法保证修复后数据的完整性。"));
    case Rebuild::BackupFailed:
        return failWith(progress, "数据库错误", "无法备份损坏的控制器数据库，数据库未改变。\n请检查控制器硬盘空间。");
    case Rebuild::NotPlaced:
        return showNotPlaced(progress, controller::dump_file);
    case Rebuild::TimedOut:
        return showTimedOut(progress, QString::fromLocal8Bit("导出数据"), limitMs);
    case Rebuild::DumpIncomplete:
        break;
    }

    // The dump stopped at a damaged page: salvage what can still be read.
    // A value past the table audit's paints the new label before the
    // shell blocks the screen.
    progress.setLabelText(QString::fromLocal8Bit("修复失败，正在抢救数据..."));
    progress.setValue(62);
    const rescue::Salvage salvage = rescue::salvageDatabase(tool, badBackup, limitMs);
    switch (salvage.outcome) {
    case rescue::Salvage::Salvaged: {
        progress.setValue(100);
        const rescue::SalvageReport report = rescue::salvageReport(salvage);
        ui::BoxStyle style;
        style.sizing = ui::BoxStyle::FreeSize;
        style.scrolledText = report.table;
        style.closingText = report.closing;
        ui::execStyledBox(QString::fromLocal8Bit("抢救完成"), QMessageBox::Warning, report.text,
                          {{QString::fromLocal8Bit("确定"), QMessageBox::YesRole}}, style);
        return;
    }
    case rescue::Salvage::NoDbpage:
        return failWith(progress, "sqlite3错误",
                        "修复失败：U盘中的sqlite3不支持数据抢救(sqlite_dbpage)。\n请使用U盘自带的sqlite3。数据库未改变。");
    case rescue::Salvage::NothingSalvaged:
        return failWith(progress, "数据库错误",
                        "修复失败，无法抢救数据。\n数据库未改变。\n请联系厂家技术服务支持。");
    case rescue::Salvage::TimedOut:
        return showTimedOut(progress, salvage.step, limitMs);
    case rescue::Salvage::NotPlaced:
        return showNotPlaced(progress, controller::salvage_file);
    }
}
