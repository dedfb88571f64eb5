// The run log on the stick: what a record holds, the 1 MiB cap, and a
// stick the log cannot be written to.

#include <QTemporaryDir>
#include <QtTest>

#include "log/run_log.h"

namespace {

QStringList lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.isEmpty())
            out.append(QString::fromUtf8(line).mid(20));  // after the time stamp
    return out;
}

}  // namespace

class RunLogTest : public QObject {
    Q_OBJECT
private slots:
    void recordsOneRunInOrder()
    {
        QTemporaryDir stick;
        runlog::begin(stick.path(), QStringLiteral("forced upgrade"));
        runlog::box(QString::fromUtf8("警告"), QString::fromUtf8("检测到强制升级程序？\n是否需要进行强制升级？"),
                    QString::fromUtf8("确定"));
        runlog::command(QStringLiteral("/bin/cp -rf /media/usb/tesma.zip /home/ostrel/nfs_space/"), true, 0, 12);
        runlog::command(QStringLiteral("/bin/cp a b"), true, 1, 3);
        runlog::command(QStringLiteral("/bin/ping 127.0.0.2 -c 4"), false, -1, 5000);
        runlog::end();
        QCOMPARE(lines(stick.filePath(QStringLiteral("pendant-tool.log"))),
                 QStringList({QStringLiteral("start: forced upgrade"),
                              QString::fromUtf8("box [警告] 检测到强制升级程序？ / 是否需要进行强制升级？ -> 确定"),
                              QStringLiteral("command [exit 0, 12 ms] /bin/cp -rf /media/usb/tesma.zip /home/ostrel/nfs_space/"),
                              QStringLiteral("command [exit 1, 3 ms] /bin/cp a b"),
                              QStringLiteral("command [not ended, 5000 ms] /bin/ping 127.0.0.2 -c 4"),
                              QStringLiteral("end")}));
    }

    // Older runs go first; what is kept starts at a line and ends with the
    // newest run.
    void keepsTheLastMebibyte()
    {
        QTemporaryDir stick;
        const QString path = stick.filePath(QStringLiteral("pendant-tool.log"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        for (int i = 0; i < 30000; ++i)
            old.write(QStringLiteral("2026-01-01 00:00:00 command [exit 0, 1 ms] old line %1\n").arg(i).toUtf8());
        old.close();
        QVERIFY(old.size() > runlog::capacity);
        runlog::begin(stick.path(), QStringLiteral("rescue mode"));
        runlog::end();
        QVERIFY(QFileInfo(path).size() <= runlog::capacity + 100);
        const QStringList kept = lines(path);
        QVERIFY(kept.first().startsWith(QLatin1String("command [exit 0, 1 ms] old line ")));
        QCOMPARE(kept.mid(kept.size() - 3),
                 QStringList({QStringLiteral("command [exit 0, 1 ms] old line 29999"), QStringLiteral("start: rescue mode"),
                              QStringLiteral("end")}));
    }

    // A log that cannot be written (here its place is taken by a folder)
    // is simply not written.
    void unwritableLogIsLeftAlone()
    {
        QTemporaryDir stick;
        QVERIFY(QDir(stick.path()).mkdir(QStringLiteral("pendant-tool.log")));
        runlog::begin(stick.path(), QStringLiteral("forced upgrade"));
        runlog::command(QStringLiteral("true"), true, 0, 1);
        runlog::end();
        QVERIFY(QFileInfo(stick.filePath(QStringLiteral("pendant-tool.log"))).isDir());
        runlog::begin(stick.filePath(QStringLiteral("no/such/folder")), QStringLiteral("forced upgrade"));
        runlog::end();
        QVERIFY(!QFile::exists(stick.filePath(QStringLiteral("no"))));
    }
};

QTEST_GUILESS_MAIN(RunLogTest)
#include "test_run_log.moc"
