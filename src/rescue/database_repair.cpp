#include "rescue/database_repair.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QProgressDialog>

#include "controller/site.h"
#include "exec/command_backend.h"
#include "exec/execute_command.h"
#include "exec/shell_quote.h"
#include "exec/tool_dir.h"
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

// PRAGMA integrity_check prints the single line "ok" for a sound database;
// a damaged one lists its faults instead, and those may well contain the
// two letters (an index named "lookup_idx", say).
bool integrityPassed(QString firstLine)
{
    if (firstLine.endsWith(QLatin1Char('\n')))
        firstLine.chop(1);
    if (firstLine.endsWith(QLatin1Char('\r')))
        firstLine.chop(1);
    return firstLine == QLatin1String("ok");
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

bool ran(const QString &command)
{
    return exec::execute(command, -1).succeeded();
}

enum class Rebuild { Done, BackupFailed, Failed };

// Rebuilds the database from its dump while keeping the damaged file as
// `badBackup`. The rebuilt file replaces the damaged one only once the
// backup is known to be whole, and only by a rename, so the database is
// at every moment either the damaged file or the rebuilt one.
Rebuild rebuild(QProgressDialog &progress, const QString &tool, const QString &badBackup)
{
    QString output;
    ExecuteCommand(QStringLiteral("/bin/rm -f %1 %2").arg(dump_file, badBackup), output, -1);
    if (!ran(QStringLiteral("/bin/cp -f %1 %2").arg(database_file, badBackup)) ||
        QFileInfo(badBackup).size() != QFileInfo(database_file).size())
        return Rebuild::BackupFailed;
    // The loading shell runs in safe mode: a table's SQL text may hold a
    // line that the dump would print as a dot-command of its own.
    ExecuteCommand(QStringLiteral("%1 %2 \".dump\" | %1 -safe %3").arg(tool, database_file, dump_file), output, -1);
    ExecuteCommand(QStringLiteral("/bin/sync"), output, -1);
    if (check_db_tables(dump_file, &progress) != audit_all_present)
        return Rebuild::Failed;
    const QString staged = database_file + QStringLiteral(".repairing");
    const bool placed = ran(QStringLiteral("/bin/cp -f %1 %2").arg(dump_file, staged)) &&
                        ran(QStringLiteral("/bin/mv -f %1 %2").arg(staged, database_file));
    ExecuteCommand(QStringLiteral("/bin/sync"), output, -1);
    if (!placed)
        ExecuteCommand(QStringLiteral("/bin/rm -f ") + staged, output, -1);
    return placed ? Rebuild::Done : Rebuild::Failed;
}

}  // namespace

void fixed_process()
{
    QProgressDialog progress;
    ui::setupStyledProgress(progress, QString::fromLocal8Bit("开始修复流程..."), ui::ProgressOrder::CancelRemovedAfterShow);

    const QString badBackup = database_file + QStringLiteral(".badbak.") + controller::timeStamp();
    const QString toolPath = exec::toolDir() + QStringLiteral("/sqlite3");

    if (!QFile::exists(toolPath))
        return failWith(progress, "sqlite3错误", "U盘中不存在数据库恢复工具(sqlite3)。");
    if (!QFile::exists(database_file))
        return failWith(progress, "数据库错误", "控制器数据库不存在，请检查工控机文件系统完整性。");
    if (QFile(database_file).size() <= size_floor)
        return failWith(progress, "数据库错误", "控制器数据库损坏严重，无法修复。\n请联系厂家技术服务支持。");

    ui::setProgressValue(progress, 25);
    // The stick may be mounted at a path with blanks or other shell characters.
    const QString tool = exec::shellQuoteFileName(toolPath);
    QString output;
    ExecuteCommand(QStringLiteral("/bin/chmod a+x %1").arg(tool), output, -1);
    // A shell that cannot run here (no run bit on a read-only stick, built
    // for another processor, a folder) says nothing about the database.
    const exec::CommandResult version = exec::execute(QStringLiteral("%1 -version").arg(tool), -1);
    const exec::CommandResult check =
        exec::execute(QStringLiteral("%1 %2 \"PRAGMA integrity_check;\"").arg(tool, database_file), -1);
    if (!version.succeeded() || shellVersion(version.firstLine) < 0 ||
        (check.couldNotRun() && check.firstLine.isEmpty()))
        return failWith(progress, "sqlite3错误", "U盘中的数据库恢复工具(sqlite3)无法在本示教器上运行。\n数据库未改变。");

    const bool rebuilt = !integrityPassed(check.firstLine);
    if (!rebuilt) {
        if (check_db_tables(database_file, &progress) != audit_all_present)
            return failWith(progress, "数据库错误", "控制器数据库损坏严重，已无法修复。\n请联系厂家技术服务支持。");
    } else if (shellVersion(version.firstLine) < safe_major * 1000 + safe_minor) {
        progress.close();
        return rescue::showBox(QString::fromLocal8Bit("sqlite3错误"), QMessageBox::Critical,
                               QString::fromLocal8Bit("U盘中的数据库恢复工具(sqlite3)版本过旧（%1），无法安全修复。\n"
                                                      "请使用U盘自带的sqlite3。数据库未改变。")
                                   .arg(version.firstLine.section(QLatin1Char(' '), 0, 0)));
    } else {
        switch (::rebuild(progress, tool, badBackup)) {
        case Rebuild::Done:
            break;
        case Rebuild::BackupFailed:
            return failWith(progress, "数据库错误", "无法备份损坏的控制器数据库，数据库未改变。\n请检查控制器硬盘空间。");
        case Rebuild::Failed:
            return failWith(progress, "数据库错误", "修复失败，控制器数据库损坏严重。\n请联系厂家技术服务支持。");
        }
    }

    // At its maximum the progress dialog hides itself.
    ui::setProgressValue(progress, 100);
    QString report;
    if (rebuilt)
        report = QString::fromLocal8Bit("dravon.db数据库损坏 ... 已修复;\n") +
                 QString::fromLocal8Bit("修复完成，请重启机器人。\n！！！请务必确认机型、零点、限位等重要信息。\n"
                                        "！！！本软件无法保证修复后数据的完整性。");
    else
        report = QString::fromLocal8Bit("未发现系统异常。");
    rescue::showBox(QString::fromLocal8Bit("修复完成"), QMessageBox::Information, report);
}
