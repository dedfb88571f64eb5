#include "maintenance/log_clearing.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cstdlib>

#include "controller/site.h"
#include "maintenance/utility_steps.h"

namespace {

void showResult(const char *text)
{
    maintenance::showResult(QString::fromLocal8Bit(text), flow_msg_qss, false);
}

// Shows the failure and ends the process; the open transaction, if any, is
// left to SQLite, which rolls it back when the connection goes away.
[[noreturn]] void fail(const char *text)
{
    showResult(text);
    std::exit(1);
}

}  // namespace

void ClearLogRecord()
{
    if (!maintenance::confirmed(QString::fromLocal8Bit("检测到程序？\n是否需要进行日志清除？"), nullptr))
        return;

    // The default connection stays registered after the call.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(controller::database);
    // SQLite would create a missing file; an empty database must never take
    // the controller's place, so a missing file counts as one that cannot
    // be opened.
    if (!QFileInfo(controller::database).isFile() || !db.open())
        fail("打开失败!");

    db.transaction();
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("delete from system_log_t;")))
        fail("删除失败!");
    db.commit();
    db.close();
    showResult("成功!");
}
