#include "maintenance/database_project_copy.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "controller/site.h"
#include "exec/shell_quote.h"
#include "maintenance/utility_steps.h"

namespace {

qint64 realClock()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

maintenance::MonotonicClock sleep_clock = realClock;

const unsigned int settle_ms = 10000;

}  // namespace

maintenance::MonotonicClock maintenance::setSleepClock(MonotonicClock clock)
{
    const MonotonicClock previous = sleep_clock;
    sleep_clock = clock ? clock : realClock;
    return previous;
}

void HmiSleep(unsigned int msec)
{
    const qint64 start = sleep_clock();
    while (sleep_clock() - start < qint64(msec))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
}

void CpDatabaseAndProject(const QString &dest)
{
    if (!maintenance::confirmed(QString::fromLocal8Bit("检测到程序？\n是否需要进行相关数据拷贝？"),
                                &font_normal))
        return;
    const QString target = exec::shellQuoteOperand(dest);
    const bool database = maintenance::runSynced(QStringLiteral("/bin/cp %1 %2").arg(controller::database, target));
    const bool project = maintenance::runSynced(QStringLiteral("/bin/cp -rf %1 %2").arg(controller::project_workspace, target));
    HmiSleep(settle_ms);
    // A plain box: normal frame, no style, the toolkit's OK button. It
    // reports success only when both copies succeeded.
    maintenance::showResult(QString::fromLocal8Bit(database && project ? "Successful!" : "Failed!"), QString(), false);
}
