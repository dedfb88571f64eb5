#include "rescue/database_salvage.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>

#include "controller/site.h"
#include "database/dravon_db.h"
#include "database/schema.h"
#include "database/sqlite_shell.h"
#include "exec/file_ops.h"

namespace rescue {

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
    const exec::CommandResult dbpage = database::dbpageProbe(tool, limitMs);
    if (!dbpage.ended)
        return stopped("检查数据抢救功能");
    if (!dbpage.succeeded()) {
        salvage.outcome = Salvage::NoDbpage;
        return salvage;
    }

    exec::removeIgnoringStatus(exec::Route::Runner, controller::salvage_file);
    const exec::CommandResult recover =
        database::loadSafely(tool, controller::database, QStringLiteral(".recover"), controller::salvage_file, limitMs);
    exec::sync(exec::Route::Runner);
    if (!recover.ended)
        return stopped("抢救数据");

    if (check_db_tables(controller::salvage_file, nullptr) != audit_all_present)
        return salvage;
    const exec::CommandResult check = database::integrityCheck(tool, controller::salvage_file, limitMs);
    if (!check.ended)
        return stopped("检查抢救结果");
    if (!database::integrityPassed(check))
        return salvage;

    // What the damaged file can still count, within one limit for all of
    // its tables: a table it cannot count is one whose pages are damaged.
    // The salvaged file has passed the integrity check: counted in-process.
    const QMap<QString, qint64> rows = database::rowCounts(controller::salvage_file);
    QElapsedTimer counting;
    counting.start();
    for (const QString &table : required_tables()) {
        SalvagedTable entry{table, rows.value(table), -1};
        const qint64 left = limitMs - counting.elapsed();
        if (left > 0)
            entry.before = database::shellRowCount(tool, badBackup, table, int(left));
        salvage.tables << entry;
    }
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        if (it.key().startsWith(QLatin1String("lost_and_found")))
            salvage.lostAndFound += it.value();

    salvage.outcome = database::replaceWith(controller::salvage_file, QStringLiteral("salvaging"), exec::Route::Runner)
                          ? Salvage::Salvaged
                          : Salvage::NotPlaced;
    return salvage;
}

SalvageReport salvageReport(const Salvage &salvage)
{
    // Every required table with its rows, one a line: the box shows the
    // table in a part that scrolls where the screen is too small for it.
    QString table = QString::fromLocal8Bit(
        "<table cellspacing=\"0\" cellpadding=\"1\" style=\"font-size:14pt\"><tr><th align=\"left\">表</th>"
        "<th align=\"right\" style=\"white-space:nowrap\">&nbsp;&nbsp;现有</th>"
        "<th align=\"right\" style=\"white-space:nowrap\">&nbsp;&nbsp;丢失</th></tr>");
    for (const SalvagedTable &t : salvage.tables) {
        const QString lost = t.before < 0 ? QString::fromLocal8Bit("未知")
                                          : QString::number(qMax<qint64>(t.before - t.rows, 0));
        table += QStringLiteral("<tr><td>%1</td><td align=\"right\">&nbsp;&nbsp;%2</td>"
                                "<td align=\"right\">&nbsp;&nbsp;%3</td></tr>")
                     .arg(t.name, QString::number(t.rows), lost);
    }
    table += QStringLiteral("</table>");

    QString notes;
    if (salvage.lostAndFound > 0)
        notes += QString::fromLocal8Bit("另有%1行数据无法确定所属的表，已存入表lost_and_found。<br>")
                     .arg(salvage.lostAndFound);
    notes += QString::fromLocal8Bit("抢救完成，请重启机器人。<br>！！！请务必确认机型、零点、限位等重要信息。<br>"
                                    "！！！抢救出的数据不完整，请逐项核对。");
    return {QString::fromLocal8Bit("<p>dravon.db数据库损坏，无法修复 ... 已抢救部分数据;</p>"
                                   "<p style=\"font-size:14pt\">各表现有行数与丢失行数（未知：已无法统计）：</p>"),
            table, QStringLiteral("<p style=\"font-size:14pt\">") + notes + QStringLiteral("</p>")};
}

}  // namespace rescue
