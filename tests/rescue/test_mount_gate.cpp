// The gate of rescue mode and its menu, headless: the commands are recorded
// instead of run, and their results are scripted.

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QProgressDialog>
#include <QtTest>

#include "rescue/rescue_menu.h"
#include "support/dialog_robot.h"
#include "support/flow_test.h"
#include "support/recording_backend.h"

namespace {

using support::u8;

const QString ping = QStringLiteral("[5000] /bin/ping 127.0.0.2 -c 4");
const QString mountData =
    QStringLiteral("/bin/mount -t nfs -o nolock 127.0.0.2:/home/ostrel/nfs_space /home/ostrel/nfs_space");
const QString mountWorkspace =
    QStringLiteral("/bin/mount -t nfs -o nolock 127.0.0.2:/home/ostrel/workspace /home/ostrel/workspace");
const QString mountTable = QStringLiteral("[-1] /bin/df -h | /bin/grep 127.0.0.2");
const QString dfLine = QStringLiteral("127.0.0.2:/home/ostrel/nfs_space  916G  101G  769G  12% /home/ostrel/nfs_space\n");

const QString networkText = u8("示教器无法连接到主机\n\n请检查示教器到控制器的硬件线路连接，或检查控制器硬盘是否损坏。\n请参考标准作业流程。");
const QString sharesText = u8("工作空间挂载失败\n\n网络链路正常，工作空间挂载异常。\n请检查控制器软件执行权限或NFS服务状态是否正常。\n请联系厂家技术服务支持。");

void makeMountPoints()
{
    QDir().mkpath(QStringLiteral("/home/ostrel/nfs_space"));
    QDir().mkpath(QStringLiteral("/home/ostrel/workspace"));
}

// Whether a progress dialog was on screen while a message box was up.
class BehindBoxWatch : public QObject {
public:
    bool seen = false;
    BehindBoxWatch()
    {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            if (!qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                return;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (qobject_cast<QProgressDialog *>(w) && w->isVisible())
                    seen = true;
        });
        timer->start(5);
    }
};

}  // namespace

class MountGateTest : public support::FlowTest {
    Q_OBJECT
private slots:
    void gate_data()
    {
        QTest::addColumn<bool>("mountPoints");
        QTest::addColumn<bool>("pingEnds");
        QTest::addColumn<int>("noShellFor");  // index of the mount without a shell, -1: none
        QTest::addColumn<QString>("dfOutput");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("failure");  // text of the failure box; empty: the menu comes
        QTest::addColumn<QStringList>("steps");

        const QStringList mkdirs = {QStringLiteral("/bin/mkdir -p /home/ostrel/nfs_space"), QStringLiteral("sync"),
                                    mountData, QStringLiteral("/bin/mkdir -p /home/ostrel/workspace"),
                                    QStringLiteral("sync"), mountWorkspace};
        const QStringList passed = {u8("0 正在检查网络状态..."), u8("0 正在挂载工作空间..."), u8("20 正在挂载工作空间..."),
                                    u8("20 挂载完成。"), u8("100 挂载完成。")};
        const QStringList mounting = QStringList(passed.mid(0, 3));

        QTest::newRow("answers, mount points present")
            << true << true << -1 << dfLine << QStringList{ping, mountData, mountWorkspace, mountTable} << QString()
            << passed;
        QTest::newRow("answers, mount points created")
            << false << true << -1 << dfLine << QStringList{ping} + mkdirs + QStringList{mountTable} << QString()
            << passed;
        QTest::newRow("silent controller") << true << false << -1 << dfLine << QStringList{ping} << networkText
                                           << QStringList(passed.mid(0, 1));
        QTest::newRow("shares not in the mount table")
            << true << true << -1 << QString() << QStringList{ping, mountData, mountWorkspace, mountTable}
            << sharesText << mounting;
        QTest::newRow("another server's share only")
            << true << true << -1 << QStringLiteral("10.0.0.9:/x 1G 0 1G 0% /mnt\n")
            << QStringList{ping, mountData, mountWorkspace, mountTable} << sharesText << mounting;
        QTest::newRow("no shell for the data share")
            << true << true << 0 << dfLine << QStringList{ping, mountData}
            << QStringLiteral("mount /home/ostrel/nfs_space failed!") << mounting;
        QTest::newRow("no shell for the workspace share")
            << true << true << 1 << dfLine << QStringList{ping, mountData, mountWorkspace}
            << QStringLiteral("mount /home/ostrel/workspace failed!") << mounting;
    }

    void gate()
    {
        QFETCH(bool, mountPoints);
        QFETCH(bool, pingEnds);
        QFETCH(int, noShellFor);
        QFETCH(QString, dfOutput);
        QFETCH(QStringList, commands);
        QFETCH(QString, failure);
        QFETCH(QStringList, steps);
        if (mountPoints)
            makeMountPoints();
        RecordingBackend backend;
        backend.executeResult = [&](const QString &command, int) {
            if (command.startsWith(QLatin1String("/bin/ping")))
                return pingEnds ? exec::CommandResult::exited(0) : exec::CommandResult::notEnded();
            return exec::CommandResult::exited(0, dfOutput);
        };
        backend.systemResult = [&](const QString &command) {
            return noShellFor >= 0 && command == QStringList({mountData, mountWorkspace})[noShellFor]
                       ? exec::CommandResult::notEnded()
                       : exec::CommandResult::exited(0);
        };
        DialogRobot robot({u8("取消")});
        BehindBoxWatch watch;
        startRescueMode();

        QCOMPARE(backend.commands(), commands);
        QCOMPARE(robot.progressSteps(), steps);
        const QList<DialogRecord> boxes = robot.boxes();
        QCOMPARE(boxes.size(), 1);
        if (failure.isEmpty()) {
            QCOMPARE(boxes[0].title, u8("警告"));
            QCOMPARE(boxes[0].text, u8("程序进入抢救模式！\n请选择抢救流程："));
            QCOMPARE(boxes[0].buttons, QStringList({u8("修复"), u8("恢复"), u8("取消")}));
            QVERIFY(!watch.seen);
        } else if (failure.startsWith(QLatin1String("mount "))) {
            QCOMPARE(boxes[0].title, QStringLiteral("Error"));
            QCOMPARE(boxes[0].text, failure);
            QVERIFY(!watch.seen);
        } else {
            QCOMPARE(boxes[0].title, u8("工作空间挂载失败"));
            QCOMPARE(boxes[0].icon, int(QMessageBox::Critical));
            QCOMPARE(boxes[0].text, failure);
            QCOMPARE(boxes[0].buttons, QStringList({u8("确定")}));
            QCOMPARE(boxes[0].windowFlags, 0x40803);
            // Only after a silent controller does the progress stay behind.
            QCOMPARE(watch.seen, failure == networkText);
        }
        QVERIFY(robot.problems().isEmpty());
    }

    void menuRunsOneProcedure_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("nextClass");  // first dialog after the menu; empty: none
        QTest::newRow("repair") << u8("修复") << QStringLiteral("QMessageBox");
        QTest::newRow("restore") << u8("恢复") << QStringLiteral("RecoveryDialog");
        QTest::newRow("cancel") << u8("取消") << QString();
    }

    void menuRunsOneProcedure()
    {
        QFETCH(QString, choice);
        QFETCH(QString, nextClass);
        makeMountPoints();
        RecordingBackend backend;
        backend.executeResult = [](const QString &, int) { return exec::CommandResult::exited(0, dfLine); };
        DialogRobot robot({choice, u8("取消")});
        startRescueMode();
        const QList<DialogRecord> boxes = robot.boxes();
        QCOMPARE(boxes.size(), nextClass.isEmpty() ? 1 : 2);
        QCOMPARE(boxes[0].clicked, choice);
        if (nextClass.isEmpty())
            return;
        QCOMPARE(boxes[1].className, nextClass);
        if (nextClass == QLatin1String("QMessageBox")) {
            // No database on the share: the repair ends at once.
            QCOMPARE(boxes[1].title.right(2), u8("错误"));
            QCOMPARE(robot.progressSteps().last(), u8("0 开始修复流程..."));
        }
    }
};

PENDANT_FLOW_TEST_MAIN(MountGateTest)
#include "test_mount_gate.moc"
