#include "rescue/database_repair.h"

#include <QDateTime>
#include <QFile>
#include <QProgressDialog>

#include "exec/execute_command.h"
#include "exec/shell_quote.h"
#include "exec/tool_dir.h"
#include "rescue/rescue_box.h"
#include "rescue/table_audit.h"
#include "ui/dialog_recipes.h"

namespace {

const QString database_file = QStringLiteral("/home/ostrel/nfs_space/dravon.db");
const QString dump_file = QStringLiteral("/home/ostrel/nfs_space/dravon_dump.db");
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

bool sameContent(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    if (first.size() != second.size())
        return false;
    const qint64 chunk = 1 << 20;
    while (!first.atEnd()) {
        if (first.read(chunk) != second.read(chunk))
            return false;
    }
    return true;
}

// Rebuilds the database from its dump while keeping the damaged file as
// `badBackup`. Answers true when the rebuilt database is in place.
bool rebuild(QProgressDialog &progress, const QString &tool, const QString &badBackup)
{
    QString output;
    ExecuteCommand(QStringLiteral("/bin/rm -f %1 %2").arg(dump_file, badBackup), output, -1);
    ExecuteCommand(QStringLiteral("/bin/cp -f %1 %2").arg(database_file, badBackup), output, -1);
    ExecuteCommand(QStringLiteral("%1 %2 \".dump\" | %1 %3").arg(tool, database_file, dump_file), output, -1);
    ExecuteCommand(QStringLiteral("/bin/sync"), output, -1);
    if (check_db_tables(dump_file, &progress) != audit_all_present)
        return false;
    ExecuteCommand(QStringLiteral("/bin/cp -f %1 %2").arg(dump_file, database_file), output, -1);
    ExecuteCommand(QStringLiteral("/bin/sync"), output, -1);
    // A copy that failed or stopped halfway must not be reported as a repair.
    return sameContent(database_file, dump_file);
}

}  // namespace

void fixed_process()
{
    QProgressDialog progress;
    ui::setupStyledProgress(progress, QString::fromLocal8Bit("开始修复流程..."), ui::ProgressOrder::Repair);

    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
    const QString badBackup = QStringLiteral("/home/ostrel/nfs_space/dravon.db.badbak.") + stamp;
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
    ExecuteCommand(QStringLiteral("%1 %2 \"PRAGMA integrity_check;\"").arg(tool, database_file), output, -1);

    const bool rebuilt = !integrityPassed(output);
    if (!rebuilt) {
        if (check_db_tables(database_file, &progress) != audit_all_present)
            return failWith(progress, "数据库错误", "控制器数据库损坏严重，已无法修复。\n请联系厂家技术服务支持。");
    } else if (!::rebuild(progress, tool, badBackup)) {
        return failWith(progress, "数据库错误", "修复失败，控制器数据库损坏严重。\n请联系厂家技术服务支持。");
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
