// Entry point: chooses the job from the "rescue_mode" marker beside the
// executable and runs it. The exit status is 0 whatever the job's outcome.

#include <QApplication>
#include <QTextCodec>

#include "app/mode_selection.h"
#include "app/stick_read_ahead.h"
#include "app/trusted_keys.h"
#include "exec/tool_dir.h"
#include "log/run_log.h"
#include "rescue/rescue_menu.h"
#include "upgrade/force_upgrade.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF8"));
    app::restoreStickReadAheadAfterFirstWindow();

    // Qt has removed its own options; without an argument this is the null
    // pointer that ends the vector, and the directory is an empty string.
    const QString packageDir = QString::fromLatin1(argc > 1 ? argv[1] : nullptr);

    // The marker and the run log go beside the program the technician
    // started, whatever launcher sits behind it.
    const QString toolDir = exec::toolDir();
    const bool rescue = rescueMarkerPresent(toolDir);
    runlog::begin(toolDir, rescue ? QStringLiteral("rescue mode") : QStringLiteral("forced upgrade ") + packageDir);
    if (rescue)
        startRescueMode();
    else
        ForceUpgrade(packageDir, trustedKeys());
    runlog::end();
    return 0;
}
