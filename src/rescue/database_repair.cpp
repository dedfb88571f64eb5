#include "rescue/database_repair.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QProgressDialog>

#include "controller/site.h"
#include "exec/command_backend.h"
#include "exec/shell_quote.h"
#include "exec/tool_dir.h"
#include "rescue/database_salvage.h"
#include "rescue/rescue_box.h"
#include "rescue/table_audit.h"
#include "ui/dialog_recipes.h"

namespace {

const QString &database_file = controller::database;
const QString &dump_file = controller::dump_file;
// A controller database of this size or less is beyond repair.
const qint64 size_floor = 99999;

void failWith(QProgressDialog &progress, const char *title, const char *text)
{
    progress.close();
    rescue::showBox(QString::fromLocal8Bit(title), QMessageBox::Critical, QString::fromLocal8Bit(text));
}

// The oldest shell whose -safe keeps the dump's text from running as its
// own commands (.shell, .system, .output to a file, .import, .load ...).
const int safe_major = 3;
const int safe_minor = 37;

// "3.40.1 2022-12-28 ..." -> 3 * 1000 + 40; -1 when it is no version line.
int shellVersion(const QString &firstLine)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^(\\d+)\\.(\\d+)\\.\\d+")).match(firstLine);
    return m.hasMatch() ? m.captured(1).toInt() * 1000 + m.captured(2).toInt() : -1;
}

enum class Rebuild { Done, BackupFailed, DumpIncomplete, NotPlaced, TimedOut };

// Rebuilds the database from its dump while keeping the damaged file as
// `badBackup`. The rebuilt file replaces the damaged one only once the
// backup is known to be whole, and only by a rename, so the database is
// at every moment either the damaged file or the rebuilt one. A dump that
// lacks tables (the dump stops at the first unreadable page) goes no
// further: DumpIncomplete, with the database as it was.
Rebuild rebuild(QProgressDialog &progress, const QString &tool, const QString &badBackup, int limitMs)
{
    exec::execute(QStringLiteral("/bin/rm -f %1 %2").arg(dump_file, badBackup), -1);
    if (!exec::succeeds(QStringLiteral("/bin/cp -f %1 %2").arg(database_file, badBackup)) ||
        QFileInfo(badBackup).size() != QFileInfo(database_file).size())
        return Rebuild::BackupFailed;
    // A table's SQL text may hold a line that the dump prints as it stands.
    const exec::CommandResult dump = rescue::loadSafely(tool, database_file, QStringLiteral(".dump"), dump_file, limitMs);
    exec::execute(QStringLiteral("/bin/sync"), -1);
    if (!dump.ended)
        return Rebuild::TimedOut;
    if (check_db_tables(dump_file, &progress) != audit_all_present)
        return Rebuild::DumpIncomplete;
    return rescue::replaceDatabase(dump_file, QStringLiteral("repairing")) ? Rebuild::Done : Rebuild::NotPlaced;
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

    const QString badBackup = database_file + QStringLiteral(".badbak.") + controller::timeStamp();
    const QString toolPath = exec::stickSqlite3();

    if (!QFile::exists(toolPath))
        return failWith(progress, "sqlite3错误", "U盘中不存在数据库恢复工具(sqlite3)。");
    if (!QFile::exists(database_file))
        return failWith(progress, "数据库错误", "控制器数据库不存在，请检查工控机文件系统完整性。");
    if (QFile(database_file).size() <= size_floor)
        return failWith(progress, "数据库错误", "控制器数据库损坏严重，无法修复。\n请联系厂家技术服务支持。");

    ui::setProgressValue(progress, 25);
    // The stick may be mounted at a path with blanks or other shell characters.
    const QString tool = exec::shellQuoteFileName(toolPath);
    const int limitMs = rescue::shellTimeLimit(QFileInfo(database_file).size());
    exec::execute(QStringLiteral("/bin/chmod a+x %1").arg(tool), -1);
    // A shell that cannot run here (no run bit on a read-only stick, built
    // for another processor, a folder) says nothing about the database.
    // A shell that does not answer its version in time is not tried again
    // on the database.
    const exec::CommandResult version = exec::execute(QStringLiteral("%1 -version").arg(tool), rescue::shellTimeLimit(0));
    const char *cannotRun = "U盘中的数据库恢复工具(sqlite3)无法在本示教器上运行。\n数据库未改变。";
    if (!version.succeeded() || shellVersion(version.firstLine) < 0)
        return failWith(progress, "sqlite3错误", cannotRun);
    const exec::CommandResult check = rescue::integrityCheck(tool, database_file, limitMs);
    if (check.couldNotRun() && check.firstLine.isEmpty())
        return failWith(progress, "sqlite3错误", cannotRun);
    if (!check.ended)
        return showTimedOut(progress, QString::fromLocal8Bit("检查数据库"), limitMs);

    if (rescue::integrityPassed(check)) {
        if (check_db_tables(database_file, &progress) != audit_all_present)
            return failWith(progress, "数据库错误", "控制器数据库损坏严重，已无法修复。\n请联系厂家技术服务支持。");
        // At its maximum the progress dialog hides itself.
        ui::setProgressValue(progress, 100);
        return rescue::showBox(QString::fromLocal8Bit("修复完成"), QMessageBox::Information,
                               QString::fromLocal8Bit("未发现系统异常。"));
    }
    if (shellVersion(version.firstLine) < safe_major * 1000 + safe_minor) {
        progress.close();
        return rescue::showBox(QString::fromLocal8Bit("sqlite3错误"), QMessageBox::Critical,
                               QString::fromLocal8Bit("U盘中的数据库恢复工具(sqlite3)版本过旧（%1），无法安全修复。\n"
                                                      "请使用U盘自带的sqlite3。数据库未改变。")
                                   .arg(version.firstLine.section(QLatin1Char(' '), 0, 0)));
    }
    switch (::rebuild(progress, tool, badBackup, limitMs)) {
    case Rebuild::Done:
        ui::setProgressValue(progress, 100);
        return rescue::showBox(QString::fromLocal8Bit("修复完成"), QMessageBox::Information,
                               QString::fromLocal8Bit("dravon.db数据库损坏 ... 已修复;\n"
                                                      "修复完成，请重启机器人。\n！！！请务必确认机型、零点、限位等重要信息。\n"
                                                      "！！！本软件无法保证修复后数据的完整性。"));
    case Rebuild::BackupFailed:
        return failWith(progress, "数据库错误", "无法备份损坏的控制器数据库，数据库未改变。\n请检查控制器硬盘空间。");
    case Rebuild::NotPlaced:
        return showNotPlaced(progress, dump_file);
    case Rebuild::TimedOut:
        return showTimedOut(progress, QString::fromLocal8Bit("导出数据"), limitMs);
    case Rebuild::DumpIncomplete:
        break;
    }

    // The dump stopped at a damaged page: salvage what can still be read.
    // A value past the table audit's paints the new label before the
    // shell blocks the screen.
    ui::setProgressLabel(progress, QString::fromLocal8Bit("修复失败，正在抢救数据..."));
    ui::setProgressValue(progress, 62);
    const rescue::Salvage salvage = rescue::salvageDatabase(tool, badBackup, limitMs);
    switch (salvage.outcome) {
    case rescue::Salvage::Salvaged: {
        ui::setProgressValue(progress, 100);
        ui::BoxStyle style;
        style.sizing = ui::BoxStyle::FreeSize;
        ui::execStyledBox(QString::fromLocal8Bit("抢救完成"), QMessageBox::Warning, rescue::salvageReport(salvage),
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
