// The database repair with the real sqlite3 shell on databases made (and
// damaged) here, in a private mount namespace. The shell lies beside this
// test's executable, as it lies beside the tool on the stick.

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "exec/command_backend.h"
#include "rescue/database_repair.h"
#include "rescue/database_salvage.h"
#include "rescue/table_audit.h"
#include "support/dialog_robot.h"
#include "support/flow_test.h"
#include "support/recording_backend.h"
#include "support/sample_database.h"

using Maker = std::function<void()>;
Q_DECLARE_METATYPE(Maker)

namespace {

const QString share = QStringLiteral("/home/ostrel/nfs_space");
const QString db = QStringLiteral("/home/ostrel/nfs_space/dravon.db");
const QString dump = QStringLiteral("/home/ostrel/nfs_space/dravon_dump.db");
const QString salvage = QStringLiteral("/home/ostrel/nfs_space/dravon_salvage.db");

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

QString tool()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/sqlite3");
}

// The shell that goes on the stick, built with the tests (CTest names it);
// the system's when run by hand.
QString stickShell()
{
    const QString built = qEnvironmentVariable("PENDANT_SQLITE3");
    return built.isEmpty() ? QStringLiteral("/usr/bin/sqlite3") : built;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void sqlite(const QString &path, const QString &sql)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {path, sql});
    QVERIFY(shell.waitForFinished());
    QCOMPARE(shell.exitCode(), 0);
}

void resize(const QString &path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.resize(size));
}

// A used controller database: every table, some 280 kB.
void healthy()
{
    support::writeDatabase(db, support::requiredTablesFromTools(), 1500);
}

void indexDamage()
{
    healthy();
    // The index is rebuilt from another column than its entries hold, so
    // every row is reported missing from "lookup_idx", two letters "ok"
    // included.
    sqlite(db, QStringLiteral("CREATE INDEX lookup_idx ON log_content_t(name); PRAGMA writable_schema=ON; "
                              "UPDATE sqlite_master SET sql='CREATE INDEX lookup_idx ON log_content_t(value)' "
                              "WHERE name='lookup_idx';"));
}

void indexPageCutOff()
{
    healthy();
    sqlite(db, QStringLiteral("CREATE INDEX lookup_idx ON log_content_t(id, name);"));
    resize(db, QFileInfo(db).size() - 4096);
}

void tablePageDamage()
{
    healthy();
    QFile file(db);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(file.size() / 4096 / 2 * 4096));
    file.write(QByteArray(4096, char(0xa5)));
}

void truncated()
{
    healthy();
    resize(db, QFileInfo(db).size() * 6 / 10);
}

void junk(qint64 size)
{
    support::writeFile(db, QByteArray(size, 'x'));
}

const QString repairedText =
    u8("dravon.db数据库损坏 ... 已修复;\n修复完成，请重启机器人。\n！！！请务必确认机型、零点、限位等重要信息。\n"
       "！！！本软件无法保证修复后数据的完整性。");

// Puts in the tool's place a shell script that runs the stick's shell, but
// first tries the case branch `branch` on its arguments (as "$*").
void wrapShell(const QString &branch)
{
    QFile::remove(tool());
    support::writeFile(tool(), QStringLiteral("#!/bin/sh\nreal='%1'\ncase \"$*\" in\n  %2\n  *) exec \"$real\" \"$@\" ;;\nesac\n")
                                   .arg(stickShell(), branch)
                                   .toUtf8());
}

// The page number of the root of `table`'s b-tree in the database.
int rootPage(const QString &table)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {db, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='%1'").arg(table)});
    shell.waitForFinished();
    return shell.readAllStandardOutput().trimmed().toInt();
}

// The processes whose command line holds `needle`.
int processesRunning(const QByteArray &needle)
{
    int found = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
        if (pid.toInt() > 0 && contents(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains(needle))
            ++found;
    return found;
}

const QString salvagedTitle = u8("抢救完成");
const QString salvagedText = u8("<p>dravon.db数据库损坏，无法修复 ... 已抢救部分数据;</p>");
const QString nothingSalvaged =
    u8("修复失败，无法抢救数据。\n数据库未改变。\n请联系厂家技术服务支持。");

// The box of a rebuilt or salvaged file left at `file` that could not
// replace the database.
QString notPlaced(const QString &file)
{
    return u8("修复失败：修复后的数据库无法替换原数据库，数据库未改变。\n请检查控制器硬盘空间。\n"
              "修复后的数据库保存在%1。").arg(file);
}

QStringList badBackups()
{
    return QDir(share).entryList({QStringLiteral("dravon.db.badbak.*")}, QDir::Files, QDir::Name);
}

}  // namespace

class DatabaseRepairTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QFile::remove(tool());
        QVERIFY(QFile::copy(stickShell(), tool()));
    }

    void cleanupTestCase()
    {
        QFile::remove(tool());
    }

    void init()
    {
        PENDANT_REQUIRE_PRIVATE_ROOT();
        support::clearPrivateRoot();
        QDir().mkpath(share);
        // The stick's shell, also after a test that put another in its place.
        QFile::remove(tool());
        QVERIFY(QFile::copy(stickShell(), tool()));
    }

    void outcome_data()
    {
        QTest::addColumn<Maker>("make");
        QTest::addColumn<bool>("withTool");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("rebuilt");  // a bad backup and a dump file are left

        const QString dbError = u8("数据库错误");
        auto nothing = [] {};
        QTest::newRow("healthy") << Maker(healthy) << true << u8("修复完成") << u8("未发现系统异常。") << false;
        QTest::newRow("a required table missing") << Maker([] {
            QStringList tables = support::requiredTablesFromTools();
            tables.removeAll(QStringLiteral("tool_t"));
            support::writeDatabase(db, tables, 1500);
        }) << true << dbError << u8("控制器数据库损坏严重，已无法修复。\n请联系厂家技术服务支持。") << false;
        QTest::newRow("index damage, \"ok\" inside the report") << Maker(indexDamage) << true
                                                                << u8("修复完成") << repairedText << true;
        QTest::newRow("index page cut off") << Maker(indexPageCutOff) << true << u8("修复完成")
                                            << repairedText << true;
        QTest::newRow("table page damage") << Maker(tablePageDamage) << true << salvagedTitle << salvagedText
                                           << true;
        QTest::newRow("truncated") << Maker(truncated) << true << salvagedTitle << salvagedText << true;
        QTest::newRow("not a database") << Maker([] { junk(150000); }) << true << dbError << nothingSalvaged
                                        << true;
        QTest::newRow("100,000 bytes") << Maker([] { junk(100000); }) << true << dbError << nothingSalvaged
                                       << true;
        QTest::newRow("99,999 bytes") << Maker([] { junk(99999); }) << true << dbError
                                      << u8("控制器数据库损坏严重，无法修复。\n请联系厂家技术服务支持。") << false;
        QTest::newRow("no database") << Maker(nothing) << true << dbError
                                     << u8("控制器数据库不存在，请检查工控机文件系统完整性。") << false;
        const QString noTool = u8("U盘中不存在数据库恢复工具(sqlite3)。");
        QTest::newRow("no sqlite3, no database") << Maker(nothing) << false << u8("sqlite3错误")
                                                 << noTool << false;
        QTest::newRow("no sqlite3, damaged database") << Maker(indexDamage) << false
                                                      << u8("sqlite3错误") << noTool << false;
    }

    void outcome()
    {
        QFETCH(Maker, make);
        QFETCH(bool, withTool);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(bool, rebuilt);
        make();
        if (!withTool)
            QVERIFY(QFile::remove(tool()));
        const QByteArray before = contents(db);
        RecordingBackend backend;
        backend.passThrough = true;
        DialogRobot robot;
        fixed_process();

        const QList<DialogRecord> boxes = robot.boxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, title);
        const bool salvaged = title == salvagedTitle;
        if (salvaged)
            QVERIFY2(boxes[0].text.startsWith(text), qPrintable(boxes[0].text));
        else
            QCOMPARE(boxes[0].text, text);
        QCOMPARE(boxes[0].icon, int(title == u8("修复完成") ? QMessageBox::Information
                                    : salvaged             ? QMessageBox::Warning
                                                           : QMessageBox::Critical));
        QCOMPARE(boxes[0].buttons, QStringList({u8("确定")}));

        QCOMPARE(badBackups().size(), rebuilt ? 1 : 0);
        QCOMPARE(QFile::exists(dump), rebuilt);
        if (rebuilt)
            QCOMPARE(contents(share + QLatin1Char('/') + badBackups().first()), before);
        if (text == repairedText) {
            // Replaced by a sound copy of the dump.
            QCOMPARE(contents(db), contents(dump));
            QCOMPARE(support::integrityCheck(db), QStringLiteral("ok"));
            QCOMPARE(robot.progressValues(), QList<int>({0, 25}) + support::auditProgress(31) + QList<int>({100}));
        } else if (salvaged) {
            // Replaced by a sound copy of what was salvaged.
            QCOMPARE(contents(db), contents(salvage));
            QCOMPARE(support::integrityCheck(db), QStringLiteral("ok"));
            QCOMPARE(check_db_tables(db, nullptr), audit_all_present);
        } else {
            QCOMPARE(contents(db), before);
        }
        if (backend.calls.isEmpty())
            QCOMPARE(robot.progressValues(), QList<int>({0}));
    }

    void rebuildRunsItsCommandsInOrder()
    {
        indexDamage();
        support::writeFile(share + QStringLiteral("/dravon.db.badbak.20200101_000000"), "earlier run");
        support::writeFile(dump, "left by an earlier run");
        // The shell's runs have limits that grow with the database.
        const QString limit = QStringLiteral("[%1] ").arg(rescue::shellTimeLimit(QFileInfo(db).size()));
        RecordingBackend backend;
        backend.passThrough = true;
        DialogRobot robot;
        fixed_process();

        const QStringList backups = badBackups();
        QCOMPARE(backups.size(), 2);
        QCOMPARE(backups.first(), QStringLiteral("dravon.db.badbak.20200101_000000"));
        QVERIFY(QRegularExpression(QStringLiteral("^dravon\\.db\\.badbak\\.\\d{8}_\\d{6}$")).match(backups.last()).hasMatch());
        const QString bad = share + QLatin1Char('/') + backups.last();
        const QString sqlite3 = tool();  // a build folder path needs no quotes
        QCOMPARE(backend.commands(),
                 QStringList({"[-1] /bin/chmod a+x " + sqlite3,
                              QStringLiteral("[%1] ").arg(rescue::shellTimeLimit(0)) + sqlite3 + " -version",
                              limit + sqlite3 + " " + db + " \"PRAGMA integrity_check;\"",
                              "[-1] /bin/rm -f " + dump + " " + bad,
                              "[-1] /bin/cp -f " + db + " " + bad,
                              limit + sqlite3 + " " + db + " \".dump\" | " + sqlite3 + " -safe " + dump,
                              "[-1] /bin/sync",
                              "[-1] /bin/cp -f " + dump + " " + db + ".repairing",
                              "[-1] /bin/mv -f " + db + ".repairing " + db,
                              "[-1] /bin/sync"}));
        QCOMPARE(robot.boxes().last().text, repairedText);
    }

    void failedCopyBackIsReported()
    {
        indexDamage();
        const QByteArray before = contents(db);
        RecordingBackend backend;
        backend.executeResult = [](const QString &command, int timeout) {
            if (command == QStringLiteral("/bin/cp -f %1 %2.repairing").arg(dump, db))
                return exec::CommandResult::exited(1);  // a full disk
            return exec::realBackend().execute(command, timeout);
        };
        DialogRobot robot;
        fixed_process();
        QCOMPARE(robot.boxes().last().title, u8("数据库错误"));
        QCOMPARE(robot.boxes().last().text, notPlaced(dump));
        QCOMPARE(contents(db), before);
        QVERIFY(QFile::exists(dump));
        QVERIFY(!robot.progressValues().contains(100));
    }

    void integrityLineMustBeExactlyOk_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("rebuilds");
        QTest::newRow("ok") << "ok\n" << false;
        QTest::newRow("ok, CR LF") << "ok\r\n" << false;
        QTest::newRow("capitals") << "OK\n" << true;
        QTest::newRow("inside other text") << "row 3 missing from index lookup_idx\n" << true;
        QTest::newRow("nothing") << "" << true;
    }

    void integrityLineMustBeExactlyOk()
    {
        QFETCH(QString, line);
        QFETCH(bool, rebuilds);
        healthy();
        RecordingBackend backend;
        backend.executeResult = [&](const QString &command, int timeout) {
            if (command.contains(QLatin1String("PRAGMA integrity_check")))
                return exec::CommandResult::exited(0, line);
            return exec::realBackend().execute(command, timeout);
        };
        DialogRobot robot;
        fixed_process();
        QCOMPARE(badBackups().size(), rebuilds ? 1 : 0);
        QCOMPARE(robot.boxes().last().text, rebuilds ? repairedText : u8("未发现系统异常。"));
    }

    // A shell that cannot run, or that is too old to load a dump safely,
    // changes nothing and says so; so does a damaged file that cannot be
    // backed up first.
    void shellOrBackupTroubleChangesNothing_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("text");
        const QString cannotRun = u8("U盘中的数据库恢复工具(sqlite3)无法在本示教器上运行。\n数据库未改变。");
        QTest::newRow("a folder") << "folder" << cannotRun;
        QTest::newRow("built for another processor") << "foreign" << cannotRun;
        QTest::newRow("no answer to -version") << "hangs" << cannotRun;
        QTest::newRow("older than 3.37") << "old"
                                         << u8("U盘中的数据库恢复工具(sqlite3)版本过旧（3.31.1），无法安全修复。\n"
                                               "请使用U盘自带的sqlite3。数据库未改变。");
        QTest::newRow("backup copy fails") << "backup" << u8("无法备份损坏的控制器数据库，数据库未改变。\n请检查控制器硬盘空间。");
    }

    void shellOrBackupTroubleChangesNothing()
    {
        QFETCH(QString, trouble);
        QFETCH(QString, text);
        indexDamage();
        const QByteArray before = contents(db);
        QFile::remove(tool());
        if (trouble == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(tool()));
        else if (trouble == QLatin1String("foreign"))
            support::writeFile(tool(), QByteArray("\x7f" "ELF\x01\x01\x01") + QByteArray(2000, '\x28'));
        else if (trouble == QLatin1String("hangs"))
            wrapShell(QStringLiteral("*-version*) sleep 1013 ;;"));
        else if (trouble == QLatin1String("old"))
            support::writeFile(tool(), "#!/bin/sh\ncase \"$*\" in *-version*) echo '3.31.1 2020-01-27 19:55:54';;"
                                       " *) echo 'row 1 missing from index lookup_idx';; esac\n");
        else
            QVERIFY(QFile::copy(QStringLiteral("/usr/bin/sqlite3"), tool()));
        RecordingBackend backend;
        backend.executeResult = [&](const QString &command, int timeout) {
            if (trouble == QLatin1String("backup") && command.startsWith(QStringLiteral("/bin/cp -f ") + db))
                return exec::CommandResult::exited(1);
            // The shell's limits cut to two seconds.
            return exec::realBackend().execute(command, timeout > 0 ? 2000 : timeout);
        };
        DialogRobot robot;
        fixed_process();
        QDir(tool()).removeRecursively();
        QFile::remove(tool());
        QCOMPARE(robot.boxes().size(), 1);
        QCOMPARE(robot.boxes().last().text, text);
        QCOMPARE(contents(db), before);
        QVERIFY(!QFile::exists(dump));
        // A shell that cannot run is not tried on the database at all.
        for (const QString &command : backend.commands())
            QVERIFY2(!command.contains(QLatin1String(".dump")) &&
                         (!command.contains(QLatin1String("integrity_check")) || !text.contains(u8("无法在本示教器上运行"))),
                     qPrintable(command));
        QCOMPARE(processesRunning(QByteArrayLiteral("sleep\0" "1013")), 0);
    }

    // A table whose SQL text hides a dot-command on a line of its own: the
    // dump prints that line as it stands, and the shell that loads the dump
    // must never run it. In safe mode it stops there instead; the salvage
    // that follows leaves the table out, since its text is no table's. A
    // shell whose recovered text carries such a line as well must not run
    // it either: the salvage then stops short and nothing changes.
    void neitherDumpNorSalvageRunsWhatTheDatabaseHolds_data()
    {
        QTest::addColumn<bool>("plantedInRecovery");
        QTest::newRow("planted in a table's SQL text") << false;
        QTest::newRow("planted in the recovered text too") << true;
    }

    void neitherDumpNorSalvageRunsWhatTheDatabaseHolds()
    {
        QFETCH(bool, plantedInRecovery);
        tablePageDamage();
        const QString planted = QStringLiteral("/root/planted");
        sqlite(db, QStringLiteral("PRAGMA writable_schema=ON; CREATE TABLE evil(a); UPDATE sqlite_master SET "
                                  "sql='CREATE TABLE evil(a);'||char(10)||'.shell touch %1' WHERE name='evil';")
                       .arg(planted));
        if (plantedInRecovery)
            wrapShell(QStringLiteral("*.recover*) \"$real\" \"$@\" | sed '1a .shell touch %1-recovered' ;;")
                          .arg(planted));
        const QByteArray before = contents(db);
        RecordingBackend backend;
        backend.passThrough = true;
        DialogRobot robot;
        fixed_process();
        QVERIFY(!QFile::exists(planted));
        QVERIFY(!QFile::exists(planted + QStringLiteral("-recovered")));
        QCOMPARE(robot.boxes().size(), 1);
        QCOMPARE(badBackups().size(), 1);
        QCOMPARE(contents(share + QLatin1Char('/') + badBackups().first()), before);
        if (plantedInRecovery) {
            QCOMPARE(robot.boxes().last().text, nothingSalvaged);
            QCOMPARE(contents(db), before);
        } else {
            QCOMPARE(robot.boxes().last().title, salvagedTitle);
            QCOMPARE(support::integrityCheck(db), QStringLiteral("ok"));
        }
    }

    // The report tells the truth: the rows each table holds now, the rows
    // it lost where the damaged file can still count them, and the rows
    // .recover could not give a table.
    void salvageReportsWhatTheDatabaseHolds()
    {
        healthy();
        support::runSql(db, {QStringLiteral("INSERT INTO tool_t (id) VALUES (1), (2), (3)")});
        QFile file(db);
        QVERIFY(file.open(QIODevice::ReadWrite));
        // The root of the log table's b-tree: its leaves are lost to their
        // table and end up in lost_and_found.
        QVERIFY(file.seek(4096 * (rootPage(QStringLiteral("log_content_t")) - 1)));
        file.write(QByteArray(4096, char(0xa5)));
        file.close();
        RecordingBackend backend;
        backend.passThrough = true;
        DialogRobot robot;
        fixed_process();

        const QString report = robot.boxes().last().text;
        QVERIFY2(report.startsWith(salvagedText), qPrintable(report));
        const QMap<QString, qint64> now = count_table_rows(db);
        for (const QString &table : required_tables()) {
            const QRegularExpressionMatch row =
                QRegularExpression(QStringLiteral("<td>%1</td><td[^>]*>(?:&nbsp;)*(\\d+)</td><td[^>]*>(?:&nbsp;)*([^<]+)</td>")
                                       .arg(table))
                    .match(report);
            QVERIFY2(row.hasMatch(), qPrintable(table));
            QCOMPARE(row.captured(1).toLongLong(), now.value(table));
            QCOMPARE(row.captured(2), table == QLatin1String("log_content_t") ? u8("未知") : QStringLiteral("0"));
        }
        QCOMPARE(now.value(QStringLiteral("tool_t")), 3);
        QVERIFY(now.value(QStringLiteral("lost_and_found")) > 1000);
        QVERIFY(report.contains(u8("另有%1行数据无法确定所属的表，已存入表lost_and_found。<br>")
                                    .arg(now.value(QStringLiteral("lost_and_found")))));
    }

    // A salvage whose result is not sound, or that cannot be put in place,
    // leaves the damaged database as it was and says so.
    void unsoundSalvageChangesNothing_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("text");
        QTest::newRow("a table lost") << "table" << nothingSalvaged;
        QTest::newRow("integrity check fails") << "integrity" << nothingSalvaged;
        QTest::newRow("no sqlite_dbpage in the shell")
            << "dbpage"
            << u8("修复失败：U盘中的sqlite3不支持数据抢救(sqlite_dbpage)。\n请使用U盘自带的sqlite3。数据库未改变。");
        QTest::newRow("copy into place fails") << "place" << notPlaced(salvage);
    }

    void unsoundSalvageChangesNothing()
    {
        QFETCH(QString, trouble);
        QFETCH(QString, text);
        tablePageDamage();
        const QByteArray before = contents(db);
        if (trouble == QLatin1String("table"))
            wrapShell(QStringLiteral("*.recover*) \"$real\" \"$@\" | grep -v serial_para_t ;;"));
        else if (trouble == QLatin1String("dbpage"))
            wrapShell(QStringLiteral("*sqlite_dbpage*) echo 'Error: no such table: sqlite_dbpage' >&2; exit 1 ;;"));
        RecordingBackend backend;
        backend.executeResult = [&](const QString &command, int timeout) {
            if (trouble == QLatin1String("integrity") && command.contains(salvage) &&
                command.contains(QLatin1String("integrity_check")))
                return exec::CommandResult::exited(0, QStringLiteral("*** in database main ***\n"));
            if (trouble == QLatin1String("place") && command.startsWith(QStringLiteral("/bin/cp -f ") + salvage))
                return exec::CommandResult::exited(1);
            return exec::realBackend().execute(command, timeout);
        };
        DialogRobot robot;
        fixed_process();
        QCOMPARE(robot.boxes().size(), 1);
        QCOMPARE(robot.boxes().last().text, text);
        QCOMPARE(contents(db), before);
        QCOMPARE(contents(share + QLatin1Char('/') + badBackups().first()), before);
        QVERIFY(QDir(share).entryList({QStringLiteral("dravon.db.*ing")}).isEmpty());
    }

    // A shell that hangs is stopped at its limit, whatever it was doing,
    // and the database stays as it was. The limits here are cut to two
    // seconds; the tool asks for limits that grow with the database.
    void hangingShellIsStopped_data()
    {
        QTest::addColumn<QString>("hangsOn");
        QTest::addColumn<QString>("step");
        QTest::newRow("integrity check") << "*integrity_check*" << u8("检查数据库");
        QTest::newRow("dump") << "*.dump*" << u8("导出数据");
        QTest::newRow("recover") << "*.recover*" << u8("抢救数据");
    }

    void hangingShellIsStopped()
    {
        QFETCH(QString, hangsOn);
        QFETCH(QString, step);
        tablePageDamage();
        const QByteArray before = contents(db);
        const int limit = rescue::shellTimeLimit(before.size());
        wrapShell(hangsOn + QStringLiteral(") sleep 1013 ;;"));
        RecordingBackend backend;
        backend.executeResult = [](const QString &command, int timeout) {
            return exec::realBackend().execute(command, timeout > 0 ? 2000 : timeout);
        };
        DialogRobot robot;
        QElapsedTimer timer;
        timer.start();
        fixed_process();
        QVERIFY(timer.elapsed() < 60000);
        QCOMPARE(robot.boxes().size(), 1);
        QCOMPARE(robot.boxes().last().text, u8("数据库恢复工具(sqlite3)%1超过%2分钟仍未完成，已停止。\n数据库未改变。")
                                                .arg(step)
                                                .arg((limit + 59999) / 60000));
        QCOMPARE(contents(db), before);
        bool limited = false;
        for (const RecordingBackend::Call &call : backend.calls)
            if (call.command.contains(hangsOn.mid(1, hangsOn.size() - 2)))
                limited = limited || call.timeout == limit;
        QVERIFY(limited);
        QCOMPARE(processesRunning(QByteArrayLiteral("sleep\0" "1013")), 0);
    }
};

PENDANT_FLOW_TEST_MAIN(DatabaseRepairTest)
#include "test_database_repair.moc"
