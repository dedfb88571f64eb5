// The file utilities headless: their boxes, the exact commands with their
// syncs and debug lines, and (in the private root, with real commands) that
// hostile names and paths act on their target only. Also the event-pumping
// wait they use.

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include "maintenance/database_project_copy.h"
#include "maintenance/file_replacement.h"
#include "maintenance/workspace_file_deletion.h"
#include "support/dialog_robot.h"
#include "support/flow_test.h"
#include "ui/dialog_recipes.h"
#include "support/recording_backend.h"

namespace {

using support::u8;

const QString workspace = QStringLiteral("/home/ostrel/nfs_space/workspace");

QStringList debugLines(const QStringList &commands)
{
    QStringList lines;
    for (const QString &c : commands)
        lines.append(QStringLiteral("cmd_file= \"%1\"").arg(c));
    return lines;
}

QStringList withSyncs(const QStringList &commands)
{
    QStringList out;
    for (const QString &c : commands)
        out << c << QStringLiteral("sync");
    return out;
}

// A fake monotonic clock, installed while it lives: every read advances it
// by `step` ms.
qint64 fake_now = 0;

struct FakeClock : maintenance::SleepClock {
    FakeClock(qint64 start, qint64 step) : step_(step)
    {
        fake_now = start;
        previous_ = maintenance::setSleepClock(this);
    }
    ~FakeClock() override { maintenance::setSleepClock(previous_); }
    qint64 nowMs() override { return fake_now += step_; }

private:
    qint64 step_;
    maintenance::SleepClock *previous_;
};

void checkConfirmation(const DialogRecord &box, const QString &text, bool withFont)
{
    QCOMPARE(box.title, u8("警告"));
    QCOMPARE(box.icon, int(QMessageBox::Warning));
    QCOMPARE(box.text, text);
    QCOMPARE(box.buttons, QStringList({u8("确定"), u8("取消")}));
    QCOMPARE(box.buttonSheets, QStringList({msg_btn_qss, msg_btn_qss}));
    QCOMPARE(box.buttonSizes, QList<QSize>({btn_size, btn_size}));
    QCOMPARE(box.styleSheet, flow_msg_qss);
    QCOMPARE(box.windowFlags, 0x40803);
    QVERIFY(box.styledBackground);
    QCOMPARE(box.fontFamily == font_normal.family() && box.pointSize == 20, withFont);
}

}  // namespace

class MaintenanceCommandsTest : public support::FlowTest {
    Q_OBJECT
protected:
    void prepare() override
    {
        // A command that escaped its quoting would write here, in the
        // private root, where the test looks for it.
        QDir::setCurrent(QStringLiteral("/root"));
    }

private slots:
    void declinedRunsNothing_data()
    {
        QTest::addColumn<QString>("utility");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("withFont");
        QTest::newRow("ReplaceFile") << "replace" << u8("是否需要拷贝？") << true;
        QTest::newRow("CpDatabaseAndProject") << "copy" << u8("检测到程序？\n是否需要进行相关数据拷贝？") << true;
        QTest::newRow("DeleteFile") << "delete" << u8("是否需要删除文件proj？") << false;
    }

    void declinedRunsNothing()
    {
        QFETCH(QString, utility);
        QFETCH(QString, text);
        QFETCH(bool, withFont);
        QDir().mkpath(workspace + QStringLiteral("/proj"));
        RecordingBackend commands;
        support::DebugCapture debug;
        FakeClock clock(0, 1);
        DialogRobot robot({u8("取消")});
        QString name = QStringLiteral("proj");
        if (utility == QLatin1String("replace"))
            ReplaceFile(QStringLiteral("/media/usb"));
        else if (utility == QLatin1String("copy"))
            CpDatabaseAndProject(QStringLiteral("/root/backup"));
        else
            DeleteFile(name);
        QVERIFY(commands.calls.isEmpty());
        QVERIFY(debug.lines.isEmpty());
        QCOMPARE(robot.boxes().size(), 1);
        checkConfirmation(robot.boxes().first(), text, withFont);
        QVERIFY(QFileInfo::exists(workspace + QStringLiteral("/proj")));
        QCOMPARE(fake_now, qint64(0));  // no wait either
    }

    void replaceFileCopiesBothFilesQuoted_data()
    {
        QTest::addColumn<QString>("dir");  // one byte per character
        QTest::addColumn<QString>("interfaces");
        QTest::addColumn<QString>("ping");
        QTest::newRow("plain") << "/media/usb" << "/media/usb/interfaces" << "/media/usb/ping.sh";
        QTest::newRow("blank") << "/media/my usb" << "'/media/my usb/interfaces'" << "'/media/my usb/ping.sh'";
        QTest::newRow("shell characters")
            << "/media/a;b$(touch x)'c" << "'/media/a;b$(touch x)'\\''c/interfaces'"
            << "'/media/a;b$(touch x)'\\''c/ping.sh'";
        QTest::newRow("leading dash") << "-r" << "./-r/interfaces" << "./-r/ping.sh";
        const QString bytes = QString::fromLatin1(u8("/media/优盘").toUtf8());
        QTest::newRow("UTF-8 bytes") << bytes << "'" + bytes + "/interfaces'" << "'" + bytes + "/ping.sh'";
    }

    void replaceFileCopiesBothFilesQuoted()
    {
        QFETCH(QString, dir);
        QFETCH(QString, interfaces);
        QFETCH(QString, ping);
        RecordingBackend commands;
        // A failing first copy does not stop the second.
        commands.systemResult = [](const QString &c) {
            return exec::CommandResult::exited(c.contains(QLatin1String("interfaces")) ? 1 : 0);
        };
        support::DebugCapture debug;
        DialogRobot robot({u8("确定")});
        ReplaceFile(dir);
        const QStringList copies = {QStringLiteral("/bin/cp %1 /etc/network/").arg(interfaces),
                                    QStringLiteral("/bin/cp %1 /root/").arg(ping)};
        QCOMPARE(commands.commands(), withSyncs(copies));
        QCOMPARE(debug.lines, debugLines(copies));
        QCOMPARE(robot.boxes().size(), 1);  // no result box
    }

    void copyRunsBothCopiesThenWaitsThenReports()
    {
        RecordingBackend commands;
        QList<qint64> clockAtCommand;
        // The first copy fails (a full disk); the second still runs, and the
        // result tells the truth.
        commands.systemResult = [&](const QString &c) {
            clockAtCommand.append(fake_now);
            return exec::CommandResult::exited(c.contains(QLatin1String("dravon.db")) ? 1 : 0);
        };
        support::DebugCapture debug;
        FakeClock clock(1000, 50);
        DialogRobot robot({u8("确定")});
        CpDatabaseAndProject(QStringLiteral("/root/backup dir"));
        const QStringList copies = {
            QStringLiteral("/bin/cp /home/ostrel/nfs_space/dravon.db '/root/backup dir'"),
            QStringLiteral("/bin/cp -rf /home/ostrel/nfs_space/workspace '/root/backup dir'")};
        QCOMPARE(commands.commands(), withSyncs(copies));
        QCOMPARE(debug.lines, debugLines(copies));
        // The ten seconds pass after the last command, before the result.
        QCOMPARE(clockAtCommand.size(), 4);
        QCOMPARE(clockAtCommand.last(), qint64(1000));
        QVERIFY2(fake_now >= 11000 && fake_now <= 11000 + 2 * 50, qPrintable(QString::number(fake_now)));
        QCOMPARE(robot.boxes().size(), 2);
        const DialogRecord result = robot.boxes().last();
        QCOMPARE(result.text, QStringLiteral("Failed!"));
        QCOMPARE(result.buttons, QStringList({QStringLiteral("OK")}));
        QVERIFY(result.styleSheet.isEmpty());
        QVERIFY(result.title.isEmpty());
        QCOMPARE(result.icon, int(QMessageBox::NoIcon));
        QVERIFY(!(result.windowFlags & Qt::FramelessWindowHint));
    }

    // Real commands in the private root: the destination is one path, and
    // nothing in it runs.
    void copyToHostileDestinationStaysInIt_data()
    {
        QTest::addColumn<QString>("dest");
        QTest::newRow("blank") << "/root/backup dir";
        QTest::newRow("semicolon") << "/root/b;touch pwned;";
        QTest::newRow("command substitution") << "/root/$(touch pwned)";
        QTest::newRow("quotes") << "/root/it's \"here\"";
        QTest::newRow("leading dash") << "-t";
    }

    void copyToHostileDestinationStaysInIt()
    {
        QFETCH(QString, dest);
        support::writeFile(QStringLiteral("/home/ostrel/nfs_space/dravon.db"), "database");
        support::writeFile(workspace + QStringLiteral("/proj/main.prg"), "program");
        const QString destDir = dest.startsWith(QLatin1Char('-')) ? QStringLiteral("/root/") + dest : dest;
        QVERIFY(QDir().mkpath(destDir));
        RecordingBackend commands;
        commands.passThrough = true;
        FakeClock clock(0, 1000);
        DialogRobot robot({u8("确定")});
        CpDatabaseAndProject(dest);
        QFile db(destDir + QStringLiteral("/dravon.db"));
        QVERIFY(db.open(QIODevice::ReadOnly));
        QCOMPARE(db.readAll(), QByteArray("database"));
        QVERIFY(QFile::exists(destDir + QStringLiteral("/workspace/proj/main.prg")));
        QCOMPARE(QDir(QStringLiteral("/root")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList({QFileInfo(destDir).fileName()}));
        QCOMPARE(robot.boxes().last().text, QStringLiteral("Successful!"));
    }

    void deleteRemovesOnlyTheNamedEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("directory");
        QTest::addColumn<QString>("command");
        QTest::newRow("file") << "notes.txt" << false << "/bin/rm -rf /home/ostrel/nfs_space/workspace/notes.txt";
        QTest::newRow("directory tree") << "proj" << true << "/bin/rm -rf /home/ostrel/nfs_space/workspace/proj";
        QTest::newRow("blank") << "proj a" << true << "/bin/rm -rf '/home/ostrel/nfs_space/workspace/proj a'";
        QTest::newRow("semicolon") << "a;touch pwned" << false
                                   << "/bin/rm -rf '/home/ostrel/nfs_space/workspace/a;touch pwned'";
        QTest::newRow("command substitution") << "$(touch pwned)" << true
                                              << "/bin/rm -rf '/home/ostrel/nfs_space/workspace/$(touch pwned)'";
        QTest::newRow("quote") << "it's" << false << "/bin/rm -rf '/home/ostrel/nfs_space/workspace/it'\\''s'";
        QTest::newRow("glob") << "*" << false << "/bin/rm -rf '/home/ostrel/nfs_space/workspace/*'";
        QTest::newRow("dots only") << "..." << true << "/bin/rm -rf /home/ostrel/nfs_space/workspace/...";
        QTest::newRow("UTF-8 name") << u8("项目") << true
                                    << "/bin/rm -rf '/home/ostrel/nfs_space/workspace/" +
                                           QString::fromLatin1(u8("项目").toUtf8()) + "'";
    }

    void deleteRemovesOnlyTheNamedEntry()
    {
        QFETCH(QString, name);
        QFETCH(bool, directory);
        QFETCH(QString, command);
        support::writeFile(QStringLiteral("/home/ostrel/nfs_space/dravon.db"));
        support::writeFile(workspace + QStringLiteral("/keep/main.prg"));
        const QString target = workspace + QLatin1Char('/') + name;
        support::writeFile(directory ? target + QStringLiteral("/sub/x.prg") : target);
        RecordingBackend commands;
        commands.passThrough = true;
        support::DebugCapture debug;
        DialogRobot robot({u8("确定")});
        QString argument = name;
        DeleteFile(argument);
        QCOMPARE(argument, name);
        QCOMPARE(commands.commands(), withSyncs({command}));
        QCOMPARE(debug.lines, debugLines({command}));
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(QDir(workspace).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"keep"}));
        QVERIFY(QFile::exists(workspace + QStringLiteral("/keep/main.prg")));
        QVERIFY(QFile::exists(QStringLiteral("/home/ostrel/nfs_space/dravon.db")));
        QVERIFY(QDir(QStringLiteral("/root")).isEmpty());
        QCOMPARE(robot.boxes().size(), 2);
        checkConfirmation(robot.boxes().first(), u8("是否需要删除文件%1？").arg(name), false);
        const DialogRecord result = robot.boxes().last();
        QCOMPARE(result.text, u8("成功!"));
        QCOMPARE(result.buttons, QStringList({QStringLiteral("OK")}));
        QCOMPARE(result.styleSheet, flow_msg_qss);
        QCOMPARE(result.windowFlags, 0x40803);
        QVERIFY(result.styledBackground);
        QVERIFY(result.title.isEmpty());
    }

    void deleteRemovesADanglingLink()
    {
        QDir().mkpath(workspace);
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/target"), workspace + QStringLiteral("/stale")));
        RecordingBackend commands;
        commands.passThrough = true;
        DialogRobot robot({u8("确定")});
        QString name = QStringLiteral("stale");
        DeleteFile(name);
        QVERIFY(!QFileInfo(workspace + QStringLiteral("/stale")).isSymLink());
        QCOMPARE(robot.boxes().last().text, u8("成功!"));
    }

    void deleteRefusesMissingEntriesAndNamesReachingOut_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "nosuch";
        QTest::newRow("empty") << "";
        QTest::newRow("dot") << ".";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("parent's file") << "../dravon.db";
        QTest::newRow("slash") << "/";
        QTest::newRow("through an entry") << "keep/../../dravon.db";
        QTest::newRow("inside an entry") << "keep/main.prg";
        QTest::newRow("NUL") << QStringLiteral("keep") + QChar(0) + QStringLiteral("x");
    }

    void deleteRefusesMissingEntriesAndNamesReachingOut()
    {
        QFETCH(QString, name);
        support::writeFile(QStringLiteral("/home/ostrel/nfs_space/dravon.db"));
        support::writeFile(workspace + QStringLiteral("/keep/main.prg"));
        RecordingBackend commands;
        commands.passThrough = true;
        support::DebugCapture debug;
        DialogRobot robot({u8("确定")});
        DeleteFile(name);
        QVERIFY(commands.calls.isEmpty());
        QVERIFY(debug.lines.isEmpty());
        QCOMPARE(robot.boxes().size(), 2);
        QCOMPARE(robot.boxes().last().text, u8("没有该文件!"));
        QVERIFY(QFile::exists(workspace + QStringLiteral("/keep/main.prg")));
        QVERIFY(QFile::exists(QStringLiteral("/home/ostrel/nfs_space/dravon.db")));
    }

    void sleepOfZeroReturnsAtOnceWithoutEvents()
    {
        bool fired = false;
        QTimer::singleShot(0, [&] { fired = true; });
        FakeClock clock(0, 1);
        HmiSleep(0);
        QVERIFY(!fired);
        QTRY_VERIFY(fired);  // the timer itself was fine
    }

    void sleepEndsAfterItsLengthWhereverTheClockStands_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<uint>("msec");
        QTest::newRow("ten seconds") << qint64(5000) << 10000u;
        // A deadline in milliseconds of the day would lie past midnight
        // and never be reached.
        QTest::newRow("across midnight") << qint64(86400000 - 3000) << 10000u;
        QTest::newRow("one millisecond") << qint64(0) << 1u;
    }

    void sleepEndsAfterItsLengthWhereverTheClockStands()
    {
        QFETCH(qint64, start);
        QFETCH(uint, msec);
        FakeClock clock(start, 7);
        HmiSleep(msec);
        QVERIFY2(fake_now - start >= qint64(msec) && fake_now - start <= qint64(msec) + 2 * 7,
                 qPrintable(QString::number(fake_now - start)));
    }

    void sleepKeepsEventsFlowing()
    {
        // The real clock: timers fire during the wait. (How long it lasts is
        // the fake clock's test above; timing on a loaded machine is no test.)
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(10);
        HmiSleep(300);
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }
};

PENDANT_FLOW_TEST_MAIN(MaintenanceCommandsTest)
#include "test_maintenance_commands.moc"
