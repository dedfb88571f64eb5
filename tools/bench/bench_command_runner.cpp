// Measures the command runner against plain POSIX calls in the same run:
//   survivors  commands still alive after N of them were ended at a limit
//   drain      time to run a command that writes 10 MB, against popen()
//   memory     peak memory held for an endless writer under a 2 s limit
// Prints one line per figure; tools/bench-runner.sh runs it.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "exec/execute_command.h"
#include "support/process_probe.h"

namespace {

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
    const QList<pid_t> live = support::liveChildren();
    std::printf("survivors: %zu alive of %d commands ended at a %d ms limit (%d timed out, %lld ms)\n",
                static_cast<size_t>(live.size()), count, limitMs, timedOut, static_cast<long long>(ms));
    for (pid_t pid : live)
        kill(pid, SIGKILL);
    usleep(100 * 1000);
    support::liveChildren();
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

void memory(int limitMs)
{
    std::atomic<bool> done{false};
    const qint64 before = support::heldBytes();
    qint64 peak = before;
    QElapsedTimer t;
    t.start();
    std::thread runner([&] {
        QString out;
        ExecuteCommand(QStringLiteral("yes"), out, limitMs);
        done = true;
    });
    while (!done) {
        peak = std::max(peak, support::heldBytes());
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
