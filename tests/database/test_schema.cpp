// The controller database's schema rules on real SQLite files: which files
// hold every required table (and how far the progress gets before the
// audit stops), and which SQL texts hide a line a shell would run as one of
// its own dot-commands.

#include <QProgressDialog>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include "database/schema.h"
#include "support/dialog_robot.h"
#include "support/sample_database.h"

Q_DECLARE_METATYPE(table_audit_result)

class SchemaTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    QStringList all;

    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        all = support::requiredTablesFromTools();
        QCOMPARE(all.size(), 31);
    }

    void theListIsTheToolsList()
    {
        QCOMPARE(required_tables(), all);
    }

    void audit_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<table_audit_result>("expected");
        QTest::addColumn<int>("tablesPassed");  // progress steps before the audit stopped

        auto without = [this](const QString &table) {
            QStringList tables = all;
            tables.removeAll(table);
            return tables;
        };

        support::writeDatabase(path("all.db"), all);
        QTest::newRow("all 31") << path("all.db") << audit_all_present << 31;

        QStringList reversed = all;
        std::reverse(reversed.begin(), reversed.end());
        support::writeDatabase(path("reversed.db"), reversed + QStringList{"extra_t", "another_t"});
        QTest::newRow("created in another order, extra tables") << path("reversed.db") << audit_all_present << 31;

        support::writeDatabase(path("no-sequence.db"), without(QStringLiteral("sqlite_sequence")));
        QTest::newRow("sqlite_sequence alone missing") << path("no-sequence.db") << audit_table_missing << 12;

        support::writeDatabase(path("no-serial.db"), without(QStringLiteral("serial_para_t")));
        QTest::newRow("last table missing") << path("no-serial.db") << audit_table_missing << 30;

        support::writeDatabase(path("view.db"), without(QStringLiteral("wobj_t")));
        support::runSql(path("view.db"), {QStringLiteral("CREATE VIEW wobj_t AS SELECT * FROM load_t")});
        QTest::newRow("a view named like a table") << path("view.db") << audit_table_missing << 9;

        support::writeDatabase(path("index.db"), without(QStringLiteral("tool_t")));
        support::runSql(path("index.db"), {QStringLiteral("CREATE INDEX tool_t ON frame_t(name)")});
        QTest::newRow("an index named like a table") << path("index.db") << audit_table_missing << 14;

        QStringList cased = without(QStringLiteral("io_params_t"));
        cased.insert(1, QStringLiteral("IO_Params_t"));
        support::writeDatabase(path("case.db"), cased);
        QTest::newRow("other letter case") << path("case.db") << audit_table_missing << 1;

        support::writeDatabase(path("empty.db"), QStringList());
        QTest::newRow("no tables at all") << path("empty.db") << audit_table_missing << 0;

        QTest::newRow("no file behind the path") << path("absent.db") << audit_table_missing << 0;

        QFile junk(path("junk.db"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(150000, 'x'));
        junk.close();
        QTest::newRow("not a database") << path("junk.db") << audit_table_missing << 0;

        QTest::newRow("cannot be created") << path("no/such/folder/x.db") << audit_open_failed << 0;
    }

    void audit()
    {
        QFETCH(QString, file);
        QFETCH(table_audit_result, expected);
        QFETCH(int, tablesPassed);
        DialogRobot robot;
        QProgressDialog progress;
        QCOMPARE(check_db_tables(file, &progress), expected);
        QCOMPARE(robot.progressValues(), support::auditProgress(tablesPassed));
    }

    void connectionIsClosedAfterwards()
    {
        support::writeDatabase(path("closed.db"), all);
        QCOMPARE(check_db_tables(path("closed.db"), nullptr), audit_all_present);
        QVERIFY(QSqlDatabase::contains());
        QVERIFY(!QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen());
        // The file can be replaced and audited again on the same connection.
        support::writeDatabase(path("closed.db"), QStringList());
        QCOMPARE(check_db_tables(path("closed.db"), nullptr), audit_table_missing);
    }

    void dotCommandRule_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("hides");
        QTest::newRow("plain table") << "CREATE TABLE plain_t(a)" << false;
        QTest::newRow("dot inside a line") << "CREATE TABLE plain_t(a DEFAULT '.x')" << false;
        QTest::newRow("dot after the statement, same line") << "CREATE TABLE plain_t(a); .shell x" << false;
        QTest::newRow("dot after a line break") << "CREATE TABLE plain_t(a);\n.shell touch /x" << true;
        QTest::newRow("blanks before the dot") << "CREATE TABLE plain_t(a);\n \t.system x" << true;
        QTest::newRow("carriage return before the dot") << "CREATE TABLE plain_t(a);\n\r.shell x" << true;
        QTest::newRow("Windows line ends") << "CREATE TABLE plain_t(a);\r\n.output /x\r\n" << true;
    }

    void dotCommandRule()
    {
        QFETCH(QString, sql);
        QFETCH(bool, hides);
        QCOMPARE(database::hidesDotCommand(sql), hides);
        // The same text planted in a file's schema.
        const QString file = path(QStringLiteral("dotted-%1.db").arg(QTest::currentDataTag()));
        support::writeDatabase(file, {QStringLiteral("plain_t")});
        support::runSql(file, {QStringLiteral("PRAGMA writable_schema=ON"),
                               QStringLiteral("UPDATE sqlite_master SET sql = '%1' WHERE name = 'plain_t'")
                                   .arg(QString(sql).replace(QLatin1Char('\''), QLatin1String("''")))});
        QCOMPARE(database::dotCommandHolder(file), hides ? QStringLiteral("plain_t") : QString());
    }

    void missingFileIsLeftAsAnEmptyDatabase()
    {
        QVERIFY(!QFile::exists(path("created.db")));
        check_db_tables(path("created.db"), nullptr);
        QVERIFY(QFile::exists(path("created.db")));
    }
};

QTEST_MAIN(SchemaTest)
#include "test_schema.moc"
