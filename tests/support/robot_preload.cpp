// Preloaded into the real tool on the simulated pendant: installs the dialog
// robot when the application object is created. Configured by environment:
//   PENDANT_ROBOT_ANSWERS  answers separated by '|'
//   PENDANT_ROBOT_LOG      file that receives one JSON line per dialog/step
//   PENDANT_ROBOT_SHOTS    folder for screenshots
//   PENDANT_ROBOT_TOUCH    "KIND:PATH": buttons are pressed by taps on a
//                          recorded touch screen (support/recorded_touch.h)
//                          that the tool reads as its input device
//   PENDANT_ROBOT_CALIBRATION  the tslib calibration the tool's touches go
//                          through (else Qt's evdev touch scales the range)

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QScreen>

#include <cstdarg>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "support/dialog_robot.h"
#include "support/recorded_touch.h"

namespace {

// The recorded touch screen, set up by whichever comes first: the tool's
// input handler asking about its device, or the robot.
RecordedTouch *recordedTouch()
{
    static RecordedTouch *touch = [] {
        const QString setting = qEnvironmentVariable("PENDANT_ROBOT_TOUCH");
        auto *t = new RecordedTouch;
        if (setting.isEmpty() || !t->setUp(setting)) {
            delete t;
            return static_cast<RecordedTouch *>(nullptr);
        }
        return t;
    }();
    return touch;
}

bool tap(QAbstractButton *button, QString *note)
{
    RecordedTouch *touch = recordedTouch();
    QScreen *screen = button->screen();
    if (!touch || !screen)
        return false;
    const QPoint at = button->mapToGlobal(button->rect().center());
    QPoint raw = RecordedTouch::rawForEvdev(at, screen->geometry().size());
    const QString calibration = qEnvironmentVariable("PENDANT_ROBOT_CALIBRATION");
    if (!calibration.isEmpty()) {
        QFile file(calibration);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        raw = RecordedTouch::rawForCalibration(at, QString::fromLatin1(file.readLine()));
    }
    *note = QStringLiteral("tap at %1,%2 (raw %3,%4)").arg(at.x()).arg(at.y()).arg(raw.x()).arg(raw.y());
    return touch->tap(raw.x(), raw.y());
}

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
    if (recordedTouch())
        robot->setPresser(tap);
}

}  // namespace

// The kernel's answers about the recorded touch screen; every other
// ioctl() goes to the kernel.
extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    if (_IOC_TYPE(request) == 'E') {
        RecordedTouch *touch = recordedTouch();
        if (touch && touch->isDevice(fd))
            return touch->describe(request, arg);
    }
    return int(syscall(SYS_ioctl, fd, request, arg));
}

Q_COREAPP_STARTUP_FUNCTION(installRobot)
