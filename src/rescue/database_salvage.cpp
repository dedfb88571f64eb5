#include "rescue/database_salvage.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <limits>

#include "controller/site.h"
#include "exec/command_backend.h"
#include "rescue/table_audit.h"

namespace rescue {

int shellTimeLimit(qint64 databaseBytes)
{
    const qint64 fixedMs = 2 * 60 * 1000;
    const qint64 bytesPerSecond = 150 * 1024;
    const qint64 ms = fixedMs + qMax<qint64>(databaseBytes, 0) * 1000 / bytesPerSecond;
    return int(qMin<qint64>(ms, std::numeric_limits<int>::max()));
}

exec::CommandResult integrityCheck(const QString &tool, const QString &file, int limitMs)
{
    return exec::execute(QStringLiteral("%1 %2 \"PRAGMA integrity_check;\"").arg(tool, file), limitMs);
}

exec::CommandResult loadSafely(const QString &tool, const QString &file, const QString &dotCommand,
                               const QString &into, int limitMs)
{
    return exec::execute(QStringLiteral("%1 %2 \"%3\" | %1 -safe %4").arg(tool, file, dotCommand, into), limitMs);
}

bool integrityPassed(const exec::CommandResult &check)
{
    QString line = check.firstLine;
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return check.ended && line == QLatin1String("ok");
}

namespace {

// The rows of `table` in `file` as the shell counts them, within `limitMs`;
// -1 when it cannot count them (the table's pages are damaged) in time.
qint64 shellRowCount(const QString &tool, const QString &file, const QString &table, int limitMs)
{
    const exec::CommandResult count =
        exec::execute(QStringLiteral("%1 -readonly %2 \"SELECT count(*) FROM %3;\"").arg(tool, file, table), limitMs);
    bool number = false;
    const qint64 rows = count.firstLine.trimmed().toLongLong(&number);
    return count.succeeded() && number ? rows : -1;
}

}  // namespace

bool replaceDatabase(const QString &file, const QString &suffix)
{
    const QString staged = controller::database + QLatin1Char('.') + suffix;
    const bool placed = exec::succeeds(QStringLiteral("/bin/cp -f %1 %2").arg(file, staged)) &&
                        exec::succeeds(QStringLiteral("/bin/mv -f %1 %2").arg(staged, controller::database));
    exec::execute(QStringLiteral("/bin/sync"), -1);
    if (!placed)
        exec::execute(QStringLiteral("/bin/rm -f ") + staged, -1);
    return placed;
}

Salvage salvageDatabase(const QString &tool, const QString &badBackup, int limitMs)
{
    Salvage salvage;
    auto stopped = [&salvage](const char *step) {
        salvage.outcome = Salvage::TimedOut;
        salvage.step = QString::fromLocal8Bit(step);
        return salvage;
    };

    // .recover reads the file page by page through the sqlite_dbpage table;
    // a shell built without it gets no further than the first lines.
    const exec::CommandResult dbpage =
        exec::execute(QStringLiteral("%1 :memory: \"SELECT count(*) FROM sqlite_dbpage;\"").arg(tool), limitMs);
    if (!dbpage.ended)
        return stopped("检查数据抢救功能");
    if (!dbpage.succeeded()) {
        salvage.outcome = Salvage::NoDbpage;
        return salvage;
    }

    const QString &salvaged = controller::salvage_file;
    exec::execute(QStringLiteral("/bin/rm -f ") + salvaged, -1);
    const exec::CommandResult recover =
        loadSafely(tool, controller::database, QStringLiteral(".recover"), salvaged, limitMs);
    exec::execute(QStringLiteral("/bin/sync"), -1);
    if (!recover.ended)
        return stopped("抢救数据");

    if (check_db_tables(salvaged, nullptr) != audit_all_present)
        return salvage;
    const exec::CommandResult check = integrityCheck(tool, salvaged, limitMs);
    if (!check.ended)
        return stopped("检查抢救结果");
    if (!integrityPassed(check))
        return salvage;

    // What the damaged file can still count, within one limit for all of
    // its tables: a table it cannot count is one whose pages are damaged.
    const QMap<QString, qint64> rows = count_table_rows(salvaged);
    QElapsedTimer counting;
    counting.start();
    for (const QString &table : required_tables()) {
        SalvagedTable entry{table, rows.value(table), -1};
        const qint64 left = limitMs - counting.elapsed();
        if (left > 0)
            entry.before = shellRowCount(tool, badBackup, table, int(left));
        salvage.tables << entry;
    }
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        if (it.key().startsWith(QLatin1String("lost_and_found")))
            salvage.lostAndFound += it.value();

    salvage.outcome = replaceDatabase(salvaged, QStringLiteral("salvaging")) ? Salvage::Salvaged : Salvage::NotPlaced;
    return salvage;
}

QString salvageReport(const Salvage &salvage)
{
    // Every required table with its rows, in two columns of tables side by
    // side and in smaller type than the box's, so that the box still fits
    // the pendant's screen.
    const int half = (salvage.tables.size() + 1) / 2;
    auto cells = [&salvage](int i) {
        if (i >= salvage.tables.size())
            return QStringLiteral("<td></td><td></td><td></td>");
        const SalvagedTable &t = salvage.tables[i];
        const QString lost = t.before < 0 ? QString::fromLocal8Bit("未知")
                                          : QString::number(qMax<qint64>(t.before - t.rows, 0));
        return QStringLiteral("<td>%1</td><td align=\"right\">&nbsp;&nbsp;%2</td><td align=\"right\">&nbsp;&nbsp;%3</td>")
            .arg(t.name, QString::number(t.rows), lost);
    };
    const QString head = QString::fromLocal8Bit("<th align=\"left\">表</th><th align=\"right\" style=\"white-space:nowrap\">&nbsp;&nbsp;现有</th>"
                                                 "<th align=\"right\" style=\"white-space:nowrap\">&nbsp;&nbsp;丢失</th>");
    QString table = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\" style=\"font-size:10pt\"><tr>") +
                    head + QStringLiteral("<th width=\"24\"></th>") + head + QStringLiteral("</tr>");
    for (int i = 0; i < half; ++i)
        table += QStringLiteral("<tr>") + cells(i) + QStringLiteral("<td></td>") + cells(half + i) +
                 QStringLiteral("</tr>");
    table += QStringLiteral("</table>");

    QString notes;
    if (salvage.lostAndFound > 0)
        notes += QString::fromLocal8Bit("另有%1行数据无法确定所属的表，已存入表lost_and_found。<br>")
                     .arg(salvage.lostAndFound);
    notes += QString::fromLocal8Bit("抢救完成，请重启机器人。<br>！！！请务必确认机型、零点、限位等重要信息。<br>"
                                    "！！！抢救出的数据不完整，请逐项核对。");
    return QString::fromLocal8Bit("<p>dravon.db数据库损坏，无法修复 ... 已抢救部分数据;</p>"
                                  "<p style=\"font-size:14pt\">各表现有行数与丢失行数（未知：已无法统计）：</p>") +
           table + QStringLiteral("<p style=\"font-size:14pt\">") + notes + QStringLiteral("</p>");
}

}  // namespace rescue
