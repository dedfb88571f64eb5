// Measures the command runner against plain POSIX calls in the same run:
//   survivors  commands still alive after N of them were ended at a limit
//   drain      time to run a command that writes 10 MB, against popen()
//   memory     peak memory held for an endless writer under a 2 s limit
// Prints one line per figure; tools/bench-runner.sh runs it.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "exec/execute_command.h"

namespace {

// Reaps the zombies among this process's children and answers the ids of
// those still running. Orphaned grandchildren come here too: this process
// is their subreaper.
std::vector<pid_t> liveChildren()
{
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    std::vector<pid_t> live;
    const QString me = QString::number(getpid());
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        // pid (comm) state ppid ...
        const QStringList rest = line.mid(line.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
        if (rest.size() > 1 && rest[1] == me && rest[0] != QLatin1String("Z"))
            live.push_back(pid);
    }
    return live;
}

void survivors(int count, int limitMs)
{
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    QElapsedTimer t;
    t.start();
    int timedOut = 0;
    for (int i = 0; i < count; ++i) {
        QString out;
        if (ExecuteCommand(QStringLiteral("sleep 60; true"), out, limitMs) == 0)
            ++timedOut;
    }
    const qint64 ms = t.elapsed();
    usleep(200 * 1000);  // a killed process needs a moment to go
    const std::vector<pid_t> live = liveChildren();
    std::printf("survivors: %zu alive of %d commands ended at a %d ms limit (%d timed out, %lld ms)\n",
                live.size(), count, limitMs, timedOut, static_cast<long long>(ms));
    for (pid_t pid : live)
        kill(pid, SIGKILL);
    usleep(100 * 1000);
    liveChildren();
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

double nativeDrainMs(const char *command)
{
    QElapsedTimer t;
    t.start();
    FILE *fp = popen(command, "r");
    char buf[65536];
    while (std::fread(buf, 1, sizeof buf, fp) > 0) {
    }
    pclose(fp);
    return t.nsecsElapsed() / 1e6;
}

double runnerDrainMs(const char *command)
{
    QElapsedTimer t;
    t.start();
    QString out;
    ExecuteCommand(QString::fromLatin1(command), out, -1);
    return t.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void drain(int rounds)
{
    const char *command = "head -c 10485760 /dev/zero";
    std::vector<double> native, runner;
    for (int i = 0; i < rounds; ++i) {
        native.push_back(nativeDrainMs(command));
        runner.push_back(runnerDrainMs(command));
    }
    const double n = median(native), r = median(runner);
    std::printf("drain: 10 MB in %.1f ms through the runner, %.1f ms through popen(): ratio %.2f\n", r, n, r / n);
}

// Memory this process holds: resident pages plus the size of every file
// it has open that lives only in memory or a spool (memfd, tmpfile).
qint64 heldBytes()
{
    qint64 bytes = 0;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                bytes += line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        const QString target = fd.symLinkTarget();
        if (target.contains(QLatin1String("memfd:")) || target.contains(QLatin1String("(deleted)")))
            bytes += QFileInfo(fd.filePath()).size();
    }
    return bytes;
}

void memory(int limitMs)
{
    std::atomic<bool> done{false};
    const qint64 before = heldBytes();
    qint64 peak = before;
    QElapsedTimer t;
    t.start();
    std::thread runner([&] {
        QString out;
        ExecuteCommand(QStringLiteral("yes"), out, limitMs);
        done = true;
    });
    while (!done) {
        peak = std::max(peak, heldBytes());
        usleep(10 * 1000);
    }
    runner.join();
    std::printf("memory: endless writer under a %d ms limit came back after %lld ms; peak %.1f MB held above "
                "the %.1f MB before\n",
                limitMs, static_cast<long long>(t.elapsed()), (peak - before) / 1048576.0, before / 1048576.0);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int count = args.value(0, QStringLiteral("1000")).toInt();
    survivors(count, 20);
    drain(7);
    memory(2000);
    memory(1000);
    return 0;
}
