// The forced upgrade, headless: every command is recorded instead of run,
// the user is scripted, and files at the tool's fixed paths (in a private
// mount namespace) steer its branches.

#include <QDir>
#include <QProcess>
#include <QtTest>
#include <sys/wait.h>

#include "support/dialog_robot.h"
#include "support/flow_test.h"
#include "support/package_signing.h"
#include "support/recording_backend.h"
#include "ui/dialog_recipes.h"
#include "upgrade/force_upgrade.h"

namespace {

const QString stick = QStringLiteral("/media/usb");
const QString root = QStringLiteral("/home/ostrel/nfs_space/tmp/tesma/");

using support::u8;

// A stick that trusts no signing key: packages install unverified.
const upgrade::TrustedKeys noTrust;

// The package on the stick made of the unpacked entries, as they are now.
void zipStaged()
{
    QFile::remove(stick + QStringLiteral("/tesma.zip"));
    QProcess zip;
    zip.setWorkingDirectory(QStringLiteral("/home/ostrel/nfs_space/tmp"));
    zip.start(QStringLiteral("zip"), {QStringLiteral("-qr"), stick + QStringLiteral("/tesma.zip"), QStringLiteral("tesma")});
    QVERIFY(zip.waitForFinished() && zip.exitCode() == 0);
}

// Unpacked entries where unzip would put them, and the package on the stick
// made of them.
void stagePackage(bool full, const QStringList &extra = {})
{
    QDir().mkpath(stick);
    QDir().mkpath(QStringLiteral("/home/ostrel/workspace"));
    QStringList entries = {QStringLiteral("Zivad-ADE/Zivad-ADE"), QStringLiteral("RC/dravon"),
                           QStringLiteral("RC/dravon_4"), QStringLiteral("dravon.db")};
    if (full)
        entries << QStringLiteral("db_upgrade.sh") << QStringLiteral("sqlite3")
                << QStringLiteral("robot_model.zip") << QStringLiteral("pictures/a.png")
                << QStringLiteral("HMI_Lib/libhmi.so");
    for (const QString &entry : entries)
        support::writeFile(root + entry);
    // Further entries; one ending in '/' is an empty folder.
    for (const QString &entry : extra)
        entry.endsWith(QLatin1Char('/')) ? void(QDir().mkpath(root + entry)) : support::writeFile(root + entry);
    if (full) {
        QProcess models;
        models.setWorkingDirectory(root);
        models.start(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"), QStringLiteral("rm robot_model.zip && mkdir -p m/robot_model && echo 1 > "
                                                           "m/robot_model/arm && cd m && zip -qr ../robot_model.zip "
                                                           "robot_model && cd .. && rm -r m")});
        QVERIFY(models.waitForFinished() && models.exitCode() == 0);
        // What unzip would leave on the data share.
        support::writeFile(QStringLiteral("/home/ostrel/nfs_space/robot_model/arm"), "1\n");
    }
    zipStaged();
}

const QStringList mounts = {
    QStringLiteral("/bin/mount -t nfs -o nolock 127.0.0.2:/home/ostrel/nfs_space /home/ostrel/nfs_space"),
    QStringLiteral("/bin/mount -t nfs -o nolock 127.0.0.2:/home/ostrel/workspace /home/ostrel/workspace"),
};

const QStringList unpack = {
    QStringLiteral("/bin/rm -rf /home/ostrel/nfs_space/tmp"),
    QStringLiteral("/bin/mkdir -p /home/ostrel/nfs_space/tmp"),
    QStringLiteral("sync"),
    QStringLiteral("/usr/bin/unzip -o /home/ostrel/nfs_space/tesma.zip -d /home/ostrel/nfs_space/tmp/"),
};

// Each entry is copied whole beside where it goes, made executable there
// and renamed into place.
const QStringList installRequired = {
    QStringLiteral("/bin/rm -rf /root/workspace/.Zivad-ADE.upgrading"),
    QStringLiteral("/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/Zivad-ADE/ /root/workspace/.Zivad-ADE.upgrading"),
    QStringLiteral("/bin/sync"),
    QStringLiteral("/bin/chmod a+x /root/workspace/.Zivad-ADE.upgrading/Zivad-ADE"),
    QStringLiteral("/bin/mv -f /root/workspace/.Zivad-ADE.upgrading/Zivad-ADE /root/workspace/Zivad-ADE"),
    QStringLiteral("/bin/rm -rf /root/workspace/.Zivad-ADE.upgrading"),
    QStringLiteral("/bin/rm -rf /usr/lib/.HMI_Lib.upgrading"),
    QStringLiteral("/bin/mkdir -p /usr/lib/.HMI_Lib.upgrading"),
    QStringLiteral("/bin/cp -f /home/ostrel/nfs_space/tmp/tesma/HMI_Lib/* /usr/lib/.HMI_Lib.upgrading/"),
    QStringLiteral("sync"),
    QStringLiteral("@libraries"),
    QStringLiteral("/bin/rm -rf /usr/lib/.HMI_Lib.upgrading"),
    QStringLiteral("/bin/rm -rf /home/ostrel/nfs_space/robot_control.upgrading"),
    QStringLiteral("/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/RC/ /home/ostrel/nfs_space/robot_control.upgrading"),
    QStringLiteral("/bin/mv -f /home/ostrel/nfs_space/robot_control.upgrading /home/ostrel/nfs_space/robot_control"),
    QStringLiteral("/bin/rm -rf /home/ostrel/workspace/.RC.upgrading"),
    QStringLiteral("/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/RC/ /home/ostrel/workspace/.RC.upgrading"),
    QStringLiteral("/bin/sync"),
    QStringLiteral("/bin/chmod a+x /home/ostrel/workspace/.RC.upgrading/dravon"),
    QStringLiteral("/bin/chmod a+x /home/ostrel/workspace/.RC.upgrading/dravon_4"),
    QStringLiteral("/bin/mv -f /home/ostrel/workspace/.RC.upgrading/dravon /home/ostrel/workspace/dravon"),
    QStringLiteral("/bin/mv -f /home/ostrel/workspace/.RC.upgrading/dravon_4 /home/ostrel/workspace/dravon_4"),
    QStringLiteral("/bin/rm -rf /home/ostrel/workspace/.RC.upgrading"),
    QStringLiteral("/bin/cp -f /home/ostrel/nfs_space/tmp/tesma/dravon.db /home/ostrel/nfs_space/dravon.db.upgrading"),
    QStringLiteral("/bin/mv -f /home/ostrel/nfs_space/dravon.db.upgrading /home/ostrel/nfs_space/dravon.db"),
    QStringLiteral("/bin/sync"),
};

// The required steps with the package's libraries (none in a minimal one).
QStringList installRequiredWith(const QStringList &libraries)
{
    QStringList commands = installRequired;
    const int at = commands.indexOf(QStringLiteral("@libraries"));
    commands.removeAt(at);
    for (int i = libraries.size() - 1; i >= 0; --i)
        commands.insert(at, QStringLiteral("/bin/mv -f /usr/lib/.HMI_Lib.upgrading/%1 /usr/lib/%1").arg(libraries[i]));
    return commands;
}

const QStringList installScript = {
    QStringLiteral("/bin/rm -rf /root/workspace/.db_upgrade.sh.upgrading"),
    QStringLiteral("/bin/cp /home/ostrel/nfs_space/tmp/tesma/db_upgrade.sh /root/workspace/.db_upgrade.sh.upgrading"),
    QStringLiteral("/bin/sync"),
    QStringLiteral("/bin/chmod a+x /root/workspace/.db_upgrade.sh.upgrading"),
    QStringLiteral("/bin/mv -f /root/workspace/.db_upgrade.sh.upgrading /root/workspace/db_upgrade.sh"),
};

const QStringList installPictures = {
    QStringLiteral("/bin/rm -rf /root/workspace/.pictures.upgrading"),
    QStringLiteral("/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/pictures /root/workspace/.pictures.upgrading"),
    QStringLiteral("/bin/sync"),
    QStringLiteral("/bin/mv -f /root/workspace/.pictures.upgrading /root/workspace/pictures"),
};

const QStringList installShellAndModels = {
    QStringLiteral("/bin/rm -rf /usr/bin/.sqlite3.upgrading"),
    QStringLiteral("/bin/cp /home/ostrel/nfs_space/tmp/tesma/sqlite3 /usr/bin/.sqlite3.upgrading"),
    QStringLiteral("/bin/sync"),
    QStringLiteral("/bin/chmod a+x /usr/bin/.sqlite3.upgrading"),
    QStringLiteral("/bin/mv -f /usr/bin/.sqlite3.upgrading /usr/bin/sqlite3"),
    QStringLiteral("/bin/cp /home/ostrel/nfs_space/tmp/tesma/robot_model.zip /home/ostrel/nfs_space/ "),
    QStringLiteral("/bin/sync"),
    QStringLiteral("/bin/mkdir -p /home/ostrel/nfs_space/robot_model"),
    QStringLiteral("sync"),
    QStringLiteral("/usr/bin/unzip -o /home/ostrel/nfs_space/robot_model.zip -d /home/ostrel/nfs_space/"),
    QStringLiteral("sync"),
};

const QStringList cleanUp = {
    QStringLiteral("/bin/rm -rf /home/ostrel/nfs_space/tmp"),
    QStringLiteral("sync"),
    QStringLiteral("/bin/rm /home/ostrel/nfs_space/tesma.zip /home/ostrel/nfs_space/robot_model.zip"),
    QStringLiteral("sync"),
};

QString copyFrom(const QString &dir)
{
    return QStringLiteral("/bin/cp -rf ") + dir + QStringLiteral("/tesma.zip /home/ostrel/nfs_space/");
}

int exitCode(int code)
{
    return code << 8;
}

}  // namespace

class ForceUpgradeTest : public support::FlowTest {
    Q_OBJECT
private slots:
    void cancelRunsNothing()
    {
        stagePackage(true);
        RecordingBackend commands;
        DialogRobot robot({u8("取消")});
        ForceUpgrade(stick, noTrust);
        QVERIFY(commands.calls.isEmpty());
        QCOMPARE(robot.boxes().size(), 1);
        const DialogRecord box = robot.boxes().first();
        QCOMPARE(box.title, u8("警告"));
        QCOMPARE(box.icon, int(QMessageBox::Warning));
        QCOMPARE(box.text, u8("检测到强制升级程序？\n是否需要进行强制升级？"));
        QCOMPARE(box.buttons, QStringList({u8("确定"), u8("取消")}));
        QCOMPARE(box.styleSheet, flow_msg_qss);
        QCOMPARE(box.windowFlags, 0x40803);
        QVERIFY(box.styledBackground);
        QCOMPARE(box.buttonSheets, QStringList({msg_btn_qss, msg_btn_qss}));
        QVERIFY(robot.progress().isEmpty());
    }

    void fullPackageRunsEveryStepInOrder()
    {
        stagePackage(true);
        RecordingBackend commands;
        support::DebugCapture debug;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);

        QCOMPARE(commands.commands(), mounts + QStringList{copyFrom(stick)} + unpack + installRequiredWith({QStringLiteral("libhmi.so")}) +
                                          installScript + installPictures + installShellAndModels + cleanUp);
        // Raw system() status: an exit code n shows as n x 256.
        QCOMPARE(debug.lines, QStringList({QStringLiteral("0 "), QStringLiteral("0 ")}));
        QCOMPARE(robot.progressSteps(),
                 QStringList({u8("0 开始升级..."), u8("0 检查tesma.zip压缩包是否存在..."),
                              u8("10 检查tesma.zip压缩包是否存在..."), u8("10 拷贝tesma.zip..."),
                              u8("30 拷贝tesma.zip..."), u8("30 解压tesma.zip..."),
                              u8("50 解压tesma.zip..."), u8("50 更新HMI..."), u8("60 更新HMI..."),
                              u8("70 更新HMI..."), u8("70 更新dravon..."), u8("80 更新dravon..."),
                              u8("80 更新dravon.db..."), u8("90 更新dravon.db..."),
                              u8("90 删除临时文件..."), u8("100 删除临时文件...")}));
        const QList<DialogRecord> boxes = robot.boxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[1].title, u8("提示"));
        QCOMPARE(boxes[1].icon, int(QMessageBox::Warning));
        QCOMPARE(boxes[1].text, u8("升级成功，请手动重启系统！"));
        QCOMPARE(boxes[1].buttons, QStringList({u8("确定")}));
        QVERIFY(robot.problems().isEmpty());
    }

    void minimalPackageSkipsTheOptionalSteps()
    {
        stagePackage(false);
        QDir().mkpath(QStringLiteral("/home/ostrel/nfs_space"));
        RecordingBackend commands;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick + QLatin1Char('/'), noTrust);
        QCOMPARE(commands.commands(), mounts + QStringList{copyFrom(stick + QLatin1Char('/'))} + unpack +
                                          installRequiredWith({}) + installPictures + cleanUp);
        QCOMPARE(robot.boxes().last().text, u8("升级成功，请手动重启系统！"));
    }

    // A stick that trusts a key: the package on the stick is checked before
    // anything is mounted, its copy on the share before it is unpacked; a
    // copy that is not what was signed (the stick changed meanwhile) is
    // removed, and nothing else runs.
    void trustingStickChecksThePackageAndItsCopy_data()
    {
        QTest::addColumn<QString>("signature");  // signed, none, other-key
        QTest::addColumn<bool>("copyDiffers");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("box");
        const QString copy = copyFrom(stick);
        QTest::newRow("signed") << "signed" << false
                                << mounts + QStringList{copy} + unpack + installRequiredWith({}) + installPictures + cleanUp
                                << u8("升级成功，请手动重启系统！");
        QTest::newRow("no signature") << "none" << false << QStringList()
                                      << u8("升级包tesma.zip不可用：没有签名文件tesma.zip.sig。\n未安装任何文件。");
        QTest::newRow("another key") << "other-key" << false << QStringList()
                                     << u8("升级包tesma.zip不可用：签名不是本U盘信任的密钥所签。\n未安装任何文件。");
        QTest::newRow("copy differs")
            << "signed" << true << mounts + QStringList{copy, QStringLiteral("/bin/rm -rf /home/ostrel/nfs_space/tesma.zip")}
            << u8("升级包tesma.zip不可用：拷贝到控制器的tesma.zip内容与签名不符（SHA-256不同）。\n未安装任何文件。");
    }

    void trustingStickChecksThePackageAndItsCopy()
    {
        QFETCH(QString, signature);
        QFETCH(bool, copyDiffers);
        QFETCH(QStringList, expected);
        QFETCH(QString, box);
        stagePackage(false);
        QDir().mkpath(QStringLiteral("/home/ostrel/nfs_space"));
        QTemporaryDir keys;
        const QByteArray trusted = support::makeKey(keys.path(), QStringLiteral("trusted"));
        support::makeKey(keys.path(), QStringLiteral("other"));
        const QString package = stick + QStringLiteral("/tesma.zip");
        QFile file(package);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (signature != QStringLiteral("none"))
            support::writeFile(package + QStringLiteral(".sig"),
                               support::signedStatement(keys.filePath(signature == QStringLiteral("signed")
                                                                          ? QStringLiteral("trusted.key")
                                                                          : QStringLiteral("other.key")),
                                                        support::statementOf(bytes, "3.0")));
        RecordingBackend commands;
        // The copy lands on the share, one byte changed where the stick
        // changed after the check.
        commands.systemResult = [&](const QString &command) {
            if (command == copyFrom(stick)) {
                QByteArray copied = bytes;
                if (copyDiffers)
                    copied[copied.size() / 2] = char(copied[copied.size() / 2] ^ 1);
                support::writeFile(QStringLiteral("/home/ostrel/nfs_space/tesma.zip"), copied);
            }
            return fromSystemStatus(0);
        };
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, {trusted});
        QCOMPARE(commands.commands(), expected);
        QCOMPARE(robot.boxes().size(), 2);
        QCOMPARE(robot.boxes().last().text, box);
    }

    void missingMountPointsAreCreated()
    {
        stagePackage(false);
        QVERIFY(QDir(QStringLiteral("/home/ostrel")).removeRecursively());
        RecordingBackend commands;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);
        QCOMPARE(commands.commands().mid(0, 6),
                 QStringList({QStringLiteral("/bin/mkdir -p /home/ostrel/nfs_space"), QStringLiteral("sync"), mounts[0],
                              QStringLiteral("/bin/mkdir -p /home/ostrel/workspace"), QStringLiteral("sync"), mounts[1]}));
    }

    void missingPackageIsReportedBeforeAnyCommand_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::newRow("no argument: /tesma.zip") << QString();
        QTest::newRow("empty stick") << stick;
    }

    void missingPackageIsReportedBeforeAnyCommand()
    {
        QFETCH(QString, dir);
        QDir().mkpath(stick);
        RecordingBackend commands;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(dir, noTrust);
        QVERIFY(commands.calls.isEmpty());
        QCOMPARE(robot.progressSteps().last(), u8("0 检查tesma.zip压缩包是否存在..."));
        const DialogRecord box = robot.boxes().last();
        QCOMPARE(box.title, u8("错误"));
        QCOMPARE(box.text, u8("无法找到tesma.zip文件！"));
        QCOMPARE(box.buttons, QStringList({u8("确定")}));
    }

    // The package's path is the folder and "/tesma.zip" by plain
    // concatenation: a folder given with its slash gives a doubled one.
    void packagePathIsPlainConcatenation()
    {
        stagePackage(false);
        RecordingBackend commands;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick + QLatin1Char('/'), noTrust);
        QVERIFY2(commands.commands().contains(QStringLiteral("/bin/cp -rf /media/usb//tesma.zip /home/ostrel/nfs_space/")),
                 qPrintable(commands.commands().join(QLatin1Char('\n'))));
    }

    void mountFailuresEndTheFlow_data()
    {
        QTest::addColumn<int>("failingMount");     // -1: none
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<int>("commandCount");
        const QByteArray both = controllerMountLine(nfs_space_dir) + controllerMountLine(workspace_dir);
        QTest::newRow("no shell for the data share") << 0 << both << "mount /home/ostrel/nfs_space failed!" << 1;
        QTest::newRow("no shell for the workspace share") << 1 << both << "mount /home/ostrel/workspace failed!" << 2;
        QTest::newRow("data share not mounted")
            << -1 << controllerMountLine(workspace_dir) << "mount /home/ostrel/nfs_space failed!" << 2;
        QTest::newRow("workspace share not mounted")
            << -1 << controllerMountLine(nfs_space_dir) << "mount /home/ostrel/workspace failed!" << 2;
        QTest::newRow("share mounted from elsewhere")
            << -1
            << QByteArray("10.9.9.9:/home/ostrel/nfs_space /home/ostrel/nfs_space nfs rw 0 0\n") +
                   controllerMountLine(workspace_dir)
            << "mount /home/ostrel/nfs_space failed!" << 2;
        QTest::newRow("nothing mounted") << -1 << QByteArray() << "mount /home/ostrel/nfs_space failed!" << 2;
    }

    void mountFailuresEndTheFlow()
    {
        QFETCH(int, failingMount);
        QFETCH(QByteArray, table);
        QFETCH(QString, warning);
        QFETCH(int, commandCount);
        stagePackage(true);
        RecordingBackend commands;
        commands.mounts = table;
        commands.systemResult = [&](const QString &c) {
            return fromSystemStatus(failingMount >= 0 && c == mounts[failingMount] ? -1 : 0);
        };
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);
        QCOMPARE(commands.commands(), mounts.mid(0, commandCount));
        const DialogRecord box = robot.boxes().last();
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.text, warning);
        QCOMPARE(robot.progressSteps().last(), u8("0 检查tesma.zip压缩包是否存在..."));
    }

    void failedCopyOrUnpackEndsTheFlow_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("warning");  // empty: the flow goes on
        QTest::newRow("copy exits 1") << "/bin/cp -rf /media" << exitCode(1) << "Copy tesma.zip to nfs_space error!";
        QTest::newRow("copy without shell") << "/bin/cp -rf /media" << -1 << "Copy tesma.zip to nfs_space error!";
        QTest::newRow("copy killed") << "/bin/cp -rf /media" << int(SIGKILL) << "Copy tesma.zip to nfs_space error!";
        QTest::newRow("unzip exits 9") << "/usr/bin/unzip -o /home/ostrel/nfs_space/tesma.zip" << exitCode(9)
                                       << "Unzip tesma.zip to tmp error!";
        QTest::newRow("unzip without shell") << "/usr/bin/unzip -o /home/ostrel/nfs_space/tesma.zip" << -1
                                             << "Unzip tesma.zip to tmp error!";
        QTest::newRow("unzip warns") << "/usr/bin/unzip -o /home/ostrel/nfs_space/tesma.zip" << exitCode(1) << "";
    }

    void failedCopyOrUnpackEndsTheFlow()
    {
        QFETCH(QString, failing);
        QFETCH(int, status);
        QFETCH(QString, warning);
        stagePackage(true);
        RecordingBackend commands;
        commands.systemResult = [&](const QString &c) { return fromSystemStatus(c.startsWith(failing) ? status : 0); };
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);
        const QStringList run = commands.commands();
        int failedAt = 0;
        while (failedAt < run.size() && !run[failedAt].startsWith(failing))
            ++failedAt;
        QVERIFY(failedAt < run.size());
        if (warning.isEmpty()) {
            QCOMPARE(robot.boxes().last().text, u8("升级成功，请手动重启系统！"));
            return;
        }
        QCOMPARE(run.size(), failedAt + 1);
        QCOMPARE(robot.boxes().last().title, QStringLiteral("Error"));
        QCOMPARE(robot.boxes().last().text, warning);
    }

    void missingRequiredEntryInstallsNothing_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("warning");
        QTest::newRow("Zivad-ADE") << "Zivad-ADE/Zivad-ADE" << "Can not find file Zivad-ADE in zip files!";
        QTest::newRow("dravon") << "RC/dravon" << "Can not find file dravon in zip files!";
        QTest::newRow("dravon_4") << "RC/dravon_4" << "Can not find file dravon_4 in zip files!";
        QTest::newRow("dravon.db") << "dravon.db" << "Can not find file dravon.db in zip files!";
    }

    void missingRequiredEntryInstallsNothing()
    {
        QFETCH(QString, entry);
        QFETCH(QString, warning);
        stagePackage(true);
        QVERIFY(QFile::remove(root + entry));
        zipStaged();
        RecordingBackend commands;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);
        QCOMPARE(commands.commands(), mounts + QStringList{copyFrom(stick)} + unpack);
        QCOMPARE(robot.boxes().last().title, QStringLiteral("Error"));
        QCOMPARE(robot.boxes().last().text, warning);
        QCOMPARE(robot.progressSteps().last(), u8("50 更新HMI..."));
    }

    void firstMissingEntryIsNamed()
    {
        stagePackage(false);
        QVERIFY(QFile::remove(root + QStringLiteral("RC/dravon_4")));
        QVERIFY(QFile::remove(root + QStringLiteral("dravon.db")));
        zipStaged();
        RecordingBackend commands;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);
        QCOMPARE(robot.boxes().size(), 2);
        QCOMPARE(robot.boxes().last().text, QStringLiteral("Can not find file dravon_4 in zip files!"));
    }

    void packageDirectoryReachesTheShellQuoted_data()
    {
        QTest::addColumn<QString>("dirBytes");  // one byte per character, as from argv
        QTest::addColumn<QString>("copy");
        QTest::newRow("blank") << "/media/my usb" << "/bin/cp -rf '/media/my usb/tesma.zip' /home/ostrel/nfs_space/";
        QTest::newRow("shell characters") << "/media/a$(touch x);b'c"
                                          << "/bin/cp -rf '/media/a$(touch x);b'\\''c/tesma.zip' /home/ostrel/nfs_space/";
        const QString chinese = QString::fromLatin1(QStringLiteral("/media/优盘").toUtf8());
        QTest::newRow("UTF-8 bytes") << chinese << "/bin/cp -rf '" + chinese + "/tesma.zip' /home/ostrel/nfs_space/";
        QTest::newRow("leading dash") << "-x" << "/bin/cp -rf ./-x/tesma.zip /home/ostrel/nfs_space/";
    }

    void packageDirectoryReachesTheShellQuoted()
    {
        QFETCH(QString, dirBytes);
        QFETCH(QString, copy);
        stagePackage(false);
        const QString dir = QFile::decodeName(dirBytes.toLatin1());
        QDir().mkpath(dir);
        QFile::remove(dir + QStringLiteral("/tesma.zip"));
        QVERIFY(QFile::copy(stick + QStringLiteral("/tesma.zip"), dir + QStringLiteral("/tesma.zip")));
        RecordingBackend commands;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(dirBytes, noTrust);
        if (dir.startsWith(QLatin1Char('-')))
            QDir(dir).removeRecursively();  // relative to the working folder
        QVERIFY2(commands.commands().contains(copy), qPrintable(commands.commands().join(QLatin1Char('\n'))));
        QCOMPARE(robot.boxes().last().text, u8("升级成功，请手动重启系统！"));
    }

    // Every install step that fails stops the upgrade with a box naming it;
    // "升级成功" appears only after all of them.
    void failedInstallStepStopsTheUpgrade_data()
    {
        QTest::addColumn<QString>("failing");  // the first command that fails
        QTest::addColumn<int>("exitCode");  // -N: killed by signal N
        QTest::addColumn<QString>("step");
        QTest::newRow("HMI copy") << "/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/Zivad-ADE/" << 1 << u8("更新HMI");
        QTest::newRow("program not executable") << "/bin/chmod a+x /root/workspace/.Zivad-ADE.upgrading/Zivad-ADE" << 1 << u8("更新HMI");
        QTest::newRow("libraries") << "/bin/cp -f /home/ostrel/nfs_space/tmp/tesma/HMI_Lib" << 1 << u8("更新HMI_Lib");
        QTest::newRow("robot_control copy") << "/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/RC/ /home/ostrel/nfs_space"
                                            << 1 << u8("更新robot_control");
        QTest::newRow("programs copy") << "/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/RC/ /home/ostrel/workspace"
                                       << 1 << u8("更新dravon");
        QTest::newRow("programs copy, its shell killed") << "/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/RC/ /home/ostrel/workspace"
                                                         << -9 << u8("更新dravon");
        QTest::newRow("program rename") << "/bin/mv -f /home/ostrel/workspace/.RC.upgrading/dravon_4" << 1
                                        << u8("更新dravon");
        QTest::newRow("database copy") << "/bin/cp -f /home/ostrel/nfs_space/tmp/tesma/dravon.db" << 1
                                       << u8("更新dravon.db");
        QTest::newRow("database rename") << "/bin/mv -f /home/ostrel/nfs_space/dravon.db.upgrading" << 1
                                         << u8("更新dravon.db");
        QTest::newRow("script") << "/bin/cp /home/ostrel/nfs_space/tmp/tesma/db_upgrade.sh" << 1
                                << u8("安装db_upgrade.sh");
        QTest::newRow("pictures") << "/bin/cp -rf /home/ostrel/nfs_space/tmp/tesma/pictures" << 1 << u8("安装pictures");
        QTest::newRow("shell") << "/bin/chmod a+x /usr/bin/.sqlite3.upgrading" << 1 << u8("安装sqlite3");
        QTest::newRow("robot models, full disk") << "/usr/bin/unzip -o /home/ostrel/nfs_space/robot_model.zip" << 50
                                                 << u8("安装robot_model.zip");
        QTest::newRow("clean-up") << "/bin/rm -rf /home/ostrel/nfs_space/tmp" << 1 << u8("删除临时文件");
    }

    void failedInstallStepStopsTheUpgrade()
    {
        QFETCH(QString, failing);
        QFETCH(int, exitCode);
        QFETCH(QString, step);
        stagePackage(true);
        RecordingBackend commands;
        bool unpacked = false;
        commands.systemResult = [&](const QString &c) {
            // The staging folder is removed once before unpacking too.
            if (c.startsWith(QLatin1String("/usr/bin/unzip -o /home/ostrel/nfs_space/tesma.zip")))
                unpacked = true;
            if (!unpacked || !c.startsWith(failing))
                return exec::CommandResult::exited(0);
            return exitCode < 0 ? fromSystemStatus(-exitCode) : exec::CommandResult::exited(exitCode);
        };
        support::DebugCapture debug;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);
        // The workspace copy's debug line holds the raw system() status.
        if (step == u8("更新dravon") && failing.startsWith(QLatin1String("/bin/cp")))
            QCOMPARE(debug.lines, QStringList{QString::number(exitCode < 0 ? -exitCode : exitCode << 8) + QLatin1Char(' ')});
        const QStringList run = commands.commands();
        QVERIFY(run.contains(failing) || std::any_of(run.begin(), run.end(), [&](const QString &c) { return c.startsWith(failing); }));
        QVERIFY(!run.contains(cleanUp[2]) || step == u8("删除临时文件"));
        const DialogRecord box = robot.boxes().last();
        QCOMPARE(box.title, u8("错误"));
        QCOMPARE(box.text, u8("升级未完成：%1失败。\n请再次运行升级程序以完成升级。").arg(step));
        QVERIFY(!robot.progressValues().contains(100));
    }

    // The copy of the libraries skips subfolders and hidden files and finds
    // nothing to copy in an empty folder, exiting 1 each time: the step is
    // judged by the libraries that had to arrive in /usr/lib (a library that
    // did not arrive: failedInstallStepStopsTheUpgrade).
    void libraryStepIsJudgedByTheFilesItInstalls_data()
    {
        QTest::addColumn<QStringList>("libraries");
        QTest::addColumn<bool>("installed");
        QTest::newRow("empty HMI_Lib") << QStringList{"HMI_Lib/"} << true;
        QTest::newRow("a subfolder and a hidden file") << QStringList{"HMI_Lib/plugins/libp.so", "HMI_Lib/.keep"} << true;
    }

    void libraryStepIsJudgedByTheFilesItInstalls()
    {
        QFETCH(QStringList, libraries);
        QFETCH(bool, installed);
        stagePackage(false, libraries);
        RecordingBackend commands;
        commands.systemResult = [](const QString &c) {
            return exec::CommandResult::exited(c.startsWith(QLatin1String("/bin/cp -f /home/ostrel/nfs_space/tmp/tesma/HMI_Lib")));
        };
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);
        QCOMPARE(robot.boxes().last().text, installed ? u8("升级成功，请手动重启系统！")
                                                      : u8("升级未完成：更新HMI_Lib失败。\n请再次运行升级程序以完成升级。"));
    }

    // Refused packages and packages that do not fit install nothing: no
    // command after the mounts writes to a share or the pendant.
    void refusedPackageInstallsNothing_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("text");  // start of the box text
        QTest::addColumn<bool>("copied");   // the package reached the share
        QTest::newRow("symlink in the package") << "symlink" << u8("升级包tesma.zip不可用：含有符号链接") << false;
        QTest::newRow("not a zip") << "garbage" << u8("升级包tesma.zip不可用：无法读取压缩包目录") << false;
        QTest::newRow("robot models outside robot_model/")
            << "models" << u8("升级包tesma.zip不可用：robot_model.zip中的dravon.db不在robot_model/之下") << true;
        QTest::newRow("damaged robot model")
            << "damaged models" << u8("升级包tesma.zip不可用：robot_model.zip中的robot_model/a已损坏（大小或CRC校验不符）") << true;
        QTest::newRow("dot-command in the database")
            << "dot" << u8("升级包tesma.zip不可用：dravon.db中evil的SQL含有以“.”开头的行") << true;
    }

    void refusedPackageInstallsNothing()
    {
        QFETCH(QString, damage);
        QFETCH(QString, text);
        QFETCH(bool, copied);
        stagePackage(false);
        const QString package = stick + QStringLiteral("/tesma.zip");
        auto run = [](const QString &script) {
            QProcess sh;
            sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
            return sh.waitForFinished() && sh.exitCode() == 0;
        };
        if (damage == QLatin1String("symlink"))
            QVERIFY(run(QStringLiteral("cd /home/ostrel/nfs_space/tmp && ln -s /usr/lib tesma/HMI_Lib && "
                                       "zip -qry %1 tesma").arg(package)));
        else if (damage == QLatin1String("garbage"))
            support::writeFile(package, QByteArray(4096, 'x'));
        else if (damage == QLatin1String("models"))
            QVERIFY(run(QStringLiteral("cd /home/ostrel/nfs_space/tmp/tesma && mkdir -p m/robot_model && "
                                       "echo a > m/robot_model/a && echo db > m/dravon.db && "
                                       "cd m && zip -qr ../robot_model.zip robot_model dravon.db")));
        else if (damage == QLatin1String("damaged models"))  // one stored member, a byte of its data changed
            QVERIFY(run(QStringLiteral("cd /home/ostrel/nfs_space/tmp/tesma && mkdir -p m/robot_model && "
                                       "echo abcdef > m/robot_model/a && cd m && zip -q0X ../robot_model.zip robot_model/a && "
                                       "printf Z | dd of=../robot_model.zip bs=1 seek=45 conv=notrunc status=none")));
        else
            QVERIFY(run(QStringLiteral("sqlite3 -cmd 'PRAGMA writable_schema=1' /home/ostrel/nfs_space/tmp/tesma/dravon.db "
                                       "\"create table evil(a); update sqlite_master set sql="
                                       "'create table evil(a);'||char(10)||'.shell touch /tmp/x' where name='evil';\" "
                                       "&& cd /home/ostrel/nfs_space/tmp && zip -qr %1 tesma").arg(package)));
        RecordingBackend commands;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);
        QCOMPARE(commands.commands(), mounts + (copied ? QStringList{copyFrom(stick)} + unpack : QStringList()));
        QVERIFY2(robot.boxes().last().text.startsWith(text), qPrintable(robot.boxes().last().text));
        QVERIFY(robot.boxes().last().text.endsWith(u8("未安装任何文件。")));
    }

    void packageThatDoesNotFitInstallsNothing()
    {
        stagePackage(false);
        // The database it replaces is kept until the switch: a sparse one
        // larger than any disk.
        QProcess truncate;
        truncate.start(QStringLiteral("truncate"),
                       {QStringLiteral("-s"), QStringLiteral("1P"), QStringLiteral("/home/ostrel/nfs_space/dravon.db")});
        QVERIFY(truncate.waitForFinished() && truncate.exitCode() == 0);
        RecordingBackend commands;
        DialogRobot robot({u8("确定")});
        ForceUpgrade(stick, noTrust);
        QCOMPARE(commands.commands(), mounts);
        const QString text = robot.boxes().last().text;
        QVERIFY2(text.startsWith(u8("存储空间不足，无法升级。\n位置：/home/ostrel/nfs_space\n需要")), qPrintable(text));
        QVERIFY(text.endsWith(u8("未安装任何文件。")));
    }
};

PENDANT_FLOW_TEST_MAIN(ForceUpgradeTest)
#include "test_force_upgrade.moc"
