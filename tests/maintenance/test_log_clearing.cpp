// Clearing the controller's system log on real SQLite files in the private
// root. The failures end the process, so they run in a child process: the
// maintenance driver with the preloaded robot answering.

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "maintenance/log_clearing.h"
#include "support/dialog_robot.h"
#include "support/flow_test.h"
#include "ui/dialog_recipes.h"

namespace {

using support::u8;

const QString database = QStringLiteral("/home/ostrel/nfs_space/dravon.db");
const QString setup_connection = QStringLiteral("test_setup");

// Runs SQL statements on `path` through a connection of the test's own.
void runSql(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), setup_connection);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(statement));
    }
    QSqlDatabase::removeDatabase(setup_connection);
}

int countRows(const QString &table)
{
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), setup_connection);
        db.setDatabaseName(database);
        if (db.open()) {
            QSqlQuery query(QStringLiteral("select count(*) from ") + table, db);
            if (query.next())
                rows = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(setup_connection);
    return rows;
}

void makeDatabase(int logRows, bool withLogTable = true)
{
    QDir().mkpath(QStringLiteral("/home/ostrel/nfs_space"));
    QStringList sql = {QStringLiteral("create table robot_t (id integer primary key, name text)"),
                       QStringLiteral("insert into robot_t (name) values ('arm'), ('base')")};
    if (withLogTable)
        sql << QStringLiteral("create table system_log_t (id integer primary key, text text)");
    for (int i = 0; i < logRows; ++i)
        sql << QStringLiteral("insert into system_log_t (text) values ('entry %1')").arg(i);
    runSql(database, sql);
}

QStringList boxTexts(const QString &logFile)
{
    QStringList texts;
    QFile log(logFile);
    if (!log.open(QIODevice::ReadOnly))
        return texts;
    for (const QByteArray &line : log.readAll().split('\n'))
        if (!line.isEmpty())
            texts.append(QJsonDocument::fromJson(line).object().value(QStringLiteral("text")).toString());
    return texts;
}

}  // namespace

class LogClearingTest : public support::FlowTest {
    Q_OBJECT
protected:
    void prepare() override
    {
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    }

private slots:
    void declinedMakesNoConnection()
    {
        makeDatabase(3);
        DialogRobot robot({u8("取消")});
        ClearLogRecord();
        QVERIFY(!QSqlDatabase::connectionNames().contains(QLatin1String(QSqlDatabase::defaultConnection)));
        QCOMPARE(countRows(QStringLiteral("system_log_t")), 3);
        QCOMPARE(robot.boxes().size(), 1);
        const DialogRecord box = robot.boxes().first();
        QCOMPARE(box.title, u8("警告"));
        QCOMPARE(box.icon, int(QMessageBox::Warning));
        QCOMPARE(box.text, u8("检测到程序？\n是否需要进行日志清除？"));
        QCOMPARE(box.buttons, QStringList({u8("确定"), u8("取消")}));
        QCOMPARE(box.buttonSizes, QList<QSize>({btn_size, btn_size}));
        QCOMPARE(box.buttonSheets, QStringList({msg_btn_qss, msg_btn_qss}));
        QCOMPARE(box.styleSheet, flow_msg_qss);
        QCOMPARE(box.windowFlags, 0x40803);
        QVERIFY(box.styledBackground);
        QVERIFY(box.fontFamily != font_normal.family());  // no font of its own
    }

    void clearsTheLogAndNothingElse_data()
    {
        QTest::addColumn<int>("logRows");
        QTest::newRow("full log") << 250;
        QTest::newRow("empty log") << 0;
    }

    void clearsTheLogAndNothingElse()
    {
        QFETCH(int, logRows);
        makeDatabase(logRows);
        auto robot = std::make_unique<DialogRobot>(QStringList({u8("确定")}));
        ClearLogRecord();
        QCOMPARE(countRows(QStringLiteral("system_log_t")), 0);
        QCOMPARE(countRows(QStringLiteral("robot_t")), 2);
        QCOMPARE(robot->boxes().size(), 2);
        const DialogRecord result = robot->boxes().last();
        QCOMPARE(result.text, u8("成功!"));
        QCOMPARE(result.buttons, QStringList({QStringLiteral("OK")}));
        QCOMPARE(result.styleSheet, flow_msg_qss);
        QVERIFY(!(result.windowFlags & Qt::FramelessWindowHint));
        QVERIFY(result.title.isEmpty());
        // The default connection stays registered, closed; a second run
        // registers it again.
        QVERIFY(QSqlDatabase::connectionNames().contains(QLatin1String(QSqlDatabase::defaultConnection)));
        QVERIFY(!QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen());
        runSql(database, {QStringLiteral("insert into system_log_t (text) values ('again')")});
        // Only the second robot may answer the second run: with both alive,
        // whichever polls first takes a box (on a slow machine, the first).
        robot.reset();
        DialogRobot again({u8("确定")});
        ClearLogRecord();
        QCOMPARE(countRows(QStringLiteral("system_log_t")), 0);
        QCOMPARE(again.boxes().size(), 2);
        QCOMPARE(again.boxes().last().text, u8("成功!"));
    }

    void databaseFailuresEndTheProcessWithStatusOne_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("box");
        QTest::newRow("no database file") << "missing file" << u8("打开失败!");
        QTest::newRow("share folder missing") << "missing folder" << u8("打开失败!");
        QTest::newRow("a folder in its place") << "folder" << u8("打开失败!");
        QTest::newRow("no system_log_t") << "no table" << u8("删除失败!");
        QTest::newRow("not a database") << "garbage" << u8("删除失败!");
    }

    void databaseFailuresEndTheProcessWithStatusOne()
    {
        QFETCH(QString, damage);
        QFETCH(QString, box);
        const QString driver = qEnvironmentVariable("PENDANT_MAINTENANCE_DRIVER");
        const QString robot = qEnvironmentVariable("PENDANT_ROBOT");
        if (driver.isEmpty() || robot.isEmpty())
            QSKIP("run through ctest: PENDANT_MAINTENANCE_DRIVER and PENDANT_ROBOT name the driver and robot");
        if (damage == QLatin1String("missing file"))
            QDir().mkpath(QStringLiteral("/home/ostrel/nfs_space"));
        else if (damage == QLatin1String("folder"))
            QDir().mkpath(database);
        else if (damage == QLatin1String("no table"))
            makeDatabase(0, false);
        else if (damage == QLatin1String("garbage"))
            support::writeFile(database, QByteArray(4096, 'x'));

        const QString log = QStringLiteral("/root/robot.jsonl");
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), robot);
        env.insert(QStringLiteral("PENDANT_ROBOT_ANSWERS"), u8("确定"));
        env.insert(QStringLiteral("PENDANT_ROBOT_LOG"), log);
        child.setProcessEnvironment(env);
        child.start(driver, {QStringLiteral("clear-log")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        QCOMPARE(boxTexts(log), QStringList({u8("检测到程序？\n是否需要进行日志清除？"), box}));
        // No empty database was made where the controller's belongs.
        if (damage.startsWith(QLatin1String("missing")))
            QVERIFY(!QFileInfo::exists(database));
        if (damage == QLatin1String("no table"))
            QCOMPARE(countRows(QStringLiteral("robot_t")), 2);
    }
};

PENDANT_FLOW_TEST_MAIN(LogClearingTest)
#include "test_log_clearing.moc"
