#include "maintenance/database_project_copy.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "controller/site.h"
#include "exec/shell_quote.h"
#include "maintenance/utility_steps.h"

namespace {

class RealClock : public maintenance::SleepClock {
public:
    RealClock() { timer_.start(); }
    qint64 nowMs() override { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
};

maintenance::SleepClock *current_clock = nullptr;

maintenance::SleepClock &sleepClock()
{
    static RealClock real;
    return current_clock ? *current_clock : real;
}

const unsigned int settle_ms = 10000;

}  // namespace

maintenance::SleepClock *maintenance::setSleepClock(SleepClock *replacement)
{
    SleepClock *previous = &sleepClock();
    current_clock = replacement;
    return previous;
}

void HmiSleep(unsigned int msec)
{
    const qint64 start = sleepClock().nowMs();
    while (sleepClock().nowMs() - start < qint64(msec))
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
