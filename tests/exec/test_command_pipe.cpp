// The child-process pipe and the command runner, with real shells.

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <limits>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "exec/commands.h"
#include "exec/execute_command.h"
#include "exec/real_backend.h"
#include "exec/vpopen.h"
#include "support/process_probe.h"

namespace {

int openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
}

// True when this process has no child left, running or unreaped.
bool noChildren()
{
    errno = 0;
    return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

QString readAll(FILE *fp)
{
    QByteArray data;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, fp)) > 0)
        data.append(buf, int(n));
    return QString::fromLatin1(data);
}

}  // namespace

class CommandPipeTest : public QObject {
    Q_OBJECT
private slots:
    // A limit too short to start a shell starts nothing at all, so the
    // command cannot have done part of its work.
    void limitsBelowFiveMillisecondsStartNothing()
    {
        QTemporaryDir dir;
        const QByteArray marker = dir.filePath(QStringLiteral("ran")).toLatin1();
        const QByteArray cmd = "touch " + marker;
        for (int limit = 0; limit <= 4; ++limit) {
            QVERIFY2(vpopen(cmd.constData(), "r", limit) == nullptr, qPrintable(QString::number(limit)));
            QString out = QStringLiteral("stale");
            QCOMPARE(ExecuteCommand(QString::fromLatin1(cmd), out, limit), 0);
            QVERIFY(out.isNull());
        }
        QTest::qWait(100);
        QVERIFY(!QFile::exists(QString::fromLatin1(marker)));
        QVERIFY(noChildren());
    }

    // The limit counts on the monotonic clock from the start: never early,
    // and the call comes back at the limit, not when the command would end.
    void commandOverItsLimitYieldsNothingAfterTheLimit()
    {
        QElapsedTimer t;
        t.start();
        QString out = QStringLiteral("stale");
        QCOMPARE(ExecuteCommand(QStringLiteral("echo early; sleep 10"), out, 500), 0);
        const qint64 ms = t.elapsed();
        QVERIFY(out.isEmpty());
        QVERIFY2(ms >= 500 && ms < 5000, qPrintable(QString::number(ms)));
        QVERIFY(noChildren());
    }

    void firstLineOnlyWithItsLineBreak()
    {
        QString out;
        QCOMPARE(ExecuteCommand(QStringLiteral("printf 'first\\nsecond\\n'"), out, 3000), 1);
        QCOMPARE(out, QStringLiteral("first\n"));

        FILE *fp = vpopen("echo one line", "r", 3000);
        QVERIFY(fp);
        QCOMPARE(readAll(fp), QStringLiteral("one line\n"));
        QCOMPARE(vpclose(fp), 0);  // the status kept when the child was collected
    }

    void longLineIsCutAt127Bytes()
    {
        QString out;
        QCOMPARE(ExecuteCommand(QStringLiteral("printf '%0200d\\n' 7"), out, -1), 1);
        QCOMPARE(out.size(), 127);
        QVERIFY(!out.contains(QLatin1Char('\n')));
        QCOMPARE(out, QString(127, QLatin1Char('0')));
    }

    // ExecuteCommand answers only whether the command ended in time; the
    // exit status travels in the result every other caller judges by.
    void exitStatusIsKept()
    {
        QString out = QStringLiteral("stale");
        QCOMPARE(ExecuteCommand(QStringLiteral("exit 3"), out, -1), 1);
        QVERIFY(out.isEmpty());
        FILE *fp = vpopen("exit 3", "r", -1);
        QVERIFY(fp);
        QCOMPARE(readAll(fp), QString());
        const int status = vpclose(fp);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 3);
        QCOMPARE(ExecuteCommand(QStringLiteral("true")), 0);
        QCOMPARE(ExecuteCommand(QStringLiteral("false")), 0);

        struct Case {
            const char *command;
            bool ended;
            int exitCode;
            bool succeeded, couldNotRun;
        };
        const Case cases[] = {
            {"echo fine", true, 0, true, false},
            {"echo partial; exit 1", true, 1, false, false},
            {"/nonexistent/program", true, 127, false, true},
            {"/dev/null", true, 126, false, true},
            {"kill -9 $$", true, -1, false, false},
            {"sleep 2", false, -1, false, false},
        };
        for (const Case &c : cases) {
            for (bool viaSystem : {false, true}) {
                if (viaSystem && !c.ended)
                    continue;  // system() has no limit
                const QString command = QString::fromLatin1(c.command);
                const exec::CommandResult r =
                    viaSystem ? exec::realBackend().system(command) : exec::execute(command, 500);
                const QString what = command + (viaSystem ? QStringLiteral(" (system)") : QString());
                QVERIFY2(r.ended == c.ended, qPrintable(what));
                QVERIFY2(r.exitCode == c.exitCode, qPrintable(what + QString::number(r.exitCode)));
                QVERIFY2(r.succeeded() == c.succeeded, qPrintable(what));
                QVERIFY2(r.couldNotRun() == c.couldNotRun, qPrintable(what));
            }
        }
        QVERIFY(noChildren());
    }

    // A command that asks a question (unzip on a full disk does) must read
    // end-of-file, never the tool's own standard input.
    void commandsReadNothingFromTheToolsInput()
    {
        int fds[2];
        QCOMPARE(pipe(fds), 0);
        QCOMPARE(write(fds[1], "y\n", 2), ssize_t(2));
        const int savedStdin = dup(STDIN_FILENO);
        dup2(fds[0], STDIN_FILENO);
        QTemporaryDir dir;
        const QString seen = dir.filePath(QStringLiteral("seen"));
        const exec::CommandResult viaRunner = exec::execute(QStringLiteral("read answer; echo \"[$answer]\""), 3000);
        const exec::CommandResult viaSystem =
            exec::realBackend().system(QStringLiteral("cat > ") + seen);
        dup2(savedStdin, STDIN_FILENO);
        close(savedStdin);
        close(fds[0]);
        close(fds[1]);
        QCOMPARE(viaRunner.firstLine, QStringLiteral("[]\n"));
        QVERIFY(viaSystem.succeeded());
        QCOMPARE(QFileInfo(seen).size(), qint64(0));
    }

    void badModesStartNoChild()
    {
        QTemporaryDir dir;
        const QByteArray marker = dir.filePath(QStringLiteral("ran")).toLatin1();
        const QByteArray cmd = "touch " + marker;
        for (const char *mode : {"", "rw", "x", "R", "ww"}) {
            errno = 0;
            QVERIFY(vpopen(cmd.constData(), mode, -1) == nullptr);
            QCOMPARE(errno, EINVAL);
        }
        QTest::qWait(100);
        QVERIFY(!QFile::exists(QString::fromLatin1(marker)));
        QVERIFY(noChildren());
    }

    void secondStreamDoesNotInheritTheFirst()
    {
        FILE *first = vpopen("echo first", "r", -1);
        QVERIFY(first);
        const int firstFd = fileno(first);
        // The second child lists its own descriptors.
        FILE *second = vpopen("ls /proc/$$/fd", "r", -1);
        QVERIFY(second);
        const QStringList fds = readAll(second).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(fds.contains(QStringLiteral("1")));
        QVERIFY2(!fds.contains(QString::number(firstFd)), qPrintable(fds.join(QLatin1Char(' '))));
        QCOMPARE(readAll(first), QStringLiteral("first\n"));
        vpclose(second);
        vpclose(first);
    }

    void foreignStreamsAreNotClosed()
    {
        QTemporaryDir dir;
        FILE *foreign = fopen(qPrintable(dir.filePath(QStringLiteral("f"))), "w");
        QVERIFY(foreign);
        QCOMPARE(vpclose(foreign), -1);
        QVERIFY(fputs("still open", foreign) >= 0);
        QCOMPARE(fclose(foreign), 0);
    }

    void timeOutsLeaveNoDescriptorOrZombie()
    {
        const int before = openDescriptors();
        for (int i = 0; i < 300; ++i)
            QVERIFY(vpopen("sleep 5", "r", 5) == nullptr);
        for (int i = 0; i < 50; ++i)
            QVERIFY(vpopen("sleep 5", "r", 2) == nullptr);
        QCOMPARE(openDescriptors(), before);
        QVERIFY(noChildren());

        for (int i = 0; i < 300; ++i) {
            FILE *fp = vpopen("echo x", "r", 1000);
            QVERIFY(fp);
            vpclose(fp);
        }
        QCOMPARE(openDescriptors(), before);
        QVERIFY(noChildren());
    }

    void outputLargerThanThePipeDoesNotHang()
    {
        std::atomic<int> result{-1};
        QString out;
        std::thread worker([&] {
            result = ExecuteCommand(QStringLiteral("echo head; head -c 1048576 /dev/zero"), out, -1);
        });
        QElapsedTimer t;
        t.start();
        while (result < 0 && t.elapsed() < 20000)
            QThread::msleep(10);
        if (result < 0) {
            worker.detach();
            QFAIL("a command with 1 MB of output did not come back within 20 s");
        }
        worker.join();
        QCOMPARE(int(result), 1);
        QCOMPARE(out, QStringLiteral("head\n"));

        // A stream holds the first 64 KiB of the output, exactly as written.
        QByteArray expected;
        for (int n = 1; n <= 100000; ++n)
            expected += QByteArray::number(n) + '\n';
        FILE *fp = vpopen("seq 1 100000", "r", 10000);
        QVERIFY(fp);
        QCOMPARE(readAll(fp).toLatin1(), expected.left(int(vpopen_stream_bytes)));
        QCOMPARE(vpclose(fp), 0);
    }

    // A command ended at its limit takes every process it started with it:
    // the shell of sh -c stays between the tool and the command, so killing
    // the shell alone would leave the command running.
    void timedOutCommandLeavesNoProcessBehind()
    {
        // Orphans become this process's children, so they can be counted.
        // The user-mode emulator that runs the ARM build offers no such
        // thing; the workstation build checks it.
        if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
            QSKIP("no child subreaper here (user-mode emulation): orphans cannot be counted");
        const char *commands[] = {
            "sleep 30; true",           // the shell waits for its command
            "sleep 30 | cat",           // a pipeline of two
            "(sleep 30 &); sleep 30",   // a grandchild the shell has let go
            "echo started; exec sh -c 'sleep 30; true'",
        };
        for (const char *command : commands) {
            for (bool stream : {false, true}) {
                const QString what = QString::fromLatin1(command) + (stream ? " (vpopen)" : " (runner)");
                if (stream) {
                    QVERIFY2(vpopen(command, "r", 300) == nullptr, qPrintable(what));
                } else {
                    QString out;
                    QVERIFY2(ExecuteCommand(QString::fromLatin1(command), out, 300) == 0, qPrintable(what));
                }
                // Killed processes take a moment to go; a survivor stays.
                QElapsedTimer t;
                t.start();
                QList<pid_t> alive = support::liveChildren();
                while (!alive.isEmpty() && t.elapsed() < 5000) {
                    QThread::msleep(20);
                    alive = support::liveChildren();
                }
                for (pid_t pid : alive)
                    kill(pid, SIGKILL);
                QVERIFY2(alive.isEmpty(), qPrintable(what + QStringLiteral(": %1 left running").arg(alive.size())));
            }
        }
        prctl(PR_SET_CHILD_SUBREAPER, 0);
        QTRY_VERIFY(noChildren());
    }

    // A command that writes without end, under a limit, holds no more than
    // a small buffer of its output: the rest is read and dropped.
    void endlessOutputHoldsLittleMemory()
    {
        for (bool stream : {false, true}) {
            const qint64 before = support::heldBytes();
            std::atomic<bool> done{false};
            std::atomic<int> ended{-1};
            std::thread worker([&] {
                if (stream) {
                    ended = vpopen("yes", "r", 2000) != nullptr;
                } else {
                    QString out;
                    ended = ExecuteCommand(QStringLiteral("yes"), out, 2000);
                }
                done = true;
            });
            qint64 peak = before;
            while (!done) {
                peak = std::max(peak, support::heldBytes());
                QThread::msleep(10);
            }
            worker.join();
            QCOMPARE(int(ended), 0);
            const qint64 grown = peak - before;
            QVERIFY2(grown < 8 * 1048576,
                     qPrintable(QStringLiteral("%1 bytes held (%2)").arg(grown).arg(stream ? "vpopen" : "runner")));
        }
        QVERIFY(noChildren());
    }

    void outputIsClearedWhenTheCommandCannotStart()
    {
        QString out = QStringLiteral("stale");
        QCOMPARE(ExecuteCommand(QStringLiteral("echo hi"), out, 3), 0);
        QVERIFY(out.isNull());
    }

    void eightBitTextReachesTheShellUnchanged()
    {
        QString out;
        // "é" as one Latin-1 byte: printed back as the same single byte.
        QCOMPARE(ExecuteCommand(QStringLiteral("printf '%s' '\u00e9' | od -An -tx1"), out, -1), 1);
        QCOMPARE(out.trimmed(), QStringLiteral("e9"));
    }
};

QTEST_GUILESS_MAIN(CommandPipeTest)
#include "test_command_pipe.moc"
