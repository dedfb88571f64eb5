// Preloaded into the real tool on the simulated pendant: installs the dialog
// robot when the application object is created. Configured by environment:
//   PENDANT_ROBOT_ANSWERS  answers separated by '|'
//   PENDANT_ROBOT_LOG      file that receives one JSON line per dialog/step
//   PENDANT_ROBOT_SHOTS    folder for screenshots

#include <QCoreApplication>

#include "support/dialog_robot.h"

namespace {

void installRobot()
{
    // The tool's own commands must not load Qt through this library: keep
    // the preload from every process the tool starts.
    qunsetenv("LD_PRELOAD");
    if (!qEnvironmentVariableIsSet("PENDANT_ROBOT_ANSWERS"))
        return;
    const QString answers = qEnvironmentVariable("PENDANT_ROBOT_ANSWERS");
    auto *robot = new DialogRobot(answers.split(QLatin1Char('|'), Qt::SkipEmptyParts),
                                  QCoreApplication::instance());
    robot->setLogFile(qEnvironmentVariable("PENDANT_ROBOT_LOG"));
    robot->setScreenshotDir(qEnvironmentVariable("PENDANT_ROBOT_SHOTS"));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installRobot)
