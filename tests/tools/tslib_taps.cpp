// Calibrated touch through the stick's tslib path, end to end as far as a
// machine without a touch screen allows: taps recorded at the corners of a
// resistive panel's raw range (0 to 4095, its Y axis mounted upside down)
// are read by tslib from an event stream, go through Debian's libts and its
// modules as the stick's ts.conf names them (input, pthres, dejitter, and
// linear with the pendant's pointercal), through
// Qt's tslib plugin built for the stick, and must land as presses at the
// screen's corners. Without the calibration they would land far off screen.
//
// The stream is a pipe fed with the recorded events
// (support/recorded_touch.h). The kernel's answers about the device (its
// event types, axes and ranges, which tslib asks before reading) come from
// the ioctl() below, for the pipe alone; every other ioctl() of the
// process goes to the kernel.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdarg>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "support/recorded_touch.h"

namespace {

RecordedTouch touch;

struct Tap {
    int rawX, rawY;
    QPoint expected;
};

class TapCatcher : public QWidget {
public:
    QList<QPoint> presses;

protected:
    void mousePressEvent(QMouseEvent *event) override { presses << event->globalPos(); }
};

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    if (_IOC_TYPE(request) == 'E' && touch.isDevice(fd))
        return touch.describe(request, arg);
    return int(syscall(SYS_ioctl, fd, request, arg));
}

class TslibTaps : public QObject {
    Q_OBJECT
private slots:
    void cornersLandAtTheScreensCorners()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(screen.size(), QSize(800, 600));
        TapCatcher catcher;
        catcher.setWindowFlags(Qt::FramelessWindowHint);
        catcher.setGeometry(screen);
        catcher.show();
        QVERIFY(QTest::qWaitForWindowExposed(&catcher));

        const Tap taps[] = {
            {0, 0, {0, 599}},
            {4095, 0, {799, 599}},
            {0, 4095, {0, 0}},
            {4095, 4095, {799, 0}},
            {2048, 2048, {399, 299}},
        };
        for (const Tap &tap : taps) {
            QVERIFY(touch.tap(tap.rawX, tap.rawY));
            const int before = catcher.presses.size();
            QTRY_VERIFY_WITH_TIMEOUT(catcher.presses.size() > before, 5000);
            const QPoint at = catcher.presses.last();
            QVERIFY2((at - tap.expected).manhattanLength() <= 2,
                     qPrintable(QStringLiteral("raw %1,%2 landed at %3,%4, not at %5,%6")
                                    .arg(tap.rawX).arg(tap.rawY).arg(at.x()).arg(at.y())
                                    .arg(tap.expected.x()).arg(tap.expected.y())));
        }
    }
};

int main(int argc, char *argv[])
{
    // The stick's settings for a calibrated panel, as the launcher makes
    // them: the touch device, tslib's modules and settings, the pointercal.
    QTemporaryDir dir;
    const QByteArray device = QFile::encodeName(dir.filePath(QStringLiteral("event1")));
    if (!dir.isValid() || !touch.setUp(RecordedTouch::SingleWithButton, device))
        return 1;
    QFile cal(dir.filePath(QStringLiteral("pointercal")));
    if (!cal.open(QIODevice::WriteOnly))
        return 1;
    // x = 12788 * rawX / 65536; y = (39256064 - 9587 * rawY) / 65536: the
    // raw range onto 800 x 600, Y turned over.
    cal.write("12788 0 0 0 -9587 39256064 65536\n");
    cal.close();
    qputenv("TSLIB_TSDEVICE", device);
    qputenv("TSLIB_CONFFILE", PENDANT_SOURCE_DIR "/stick/ts.conf");
    qputenv("TSLIB_CALIBFILE", QFile::encodeName(cal.fileName()));
    qputenv("TSLIB_PLUGINDIR", PENDANT_TSLIB_MODULES);
    qputenv("QT_PLUGIN_PATH", PENDANT_QT_PLUGINS);
    qputenv("QT_QPA_GENERIC_PLUGINS", "tslib:" + device);

    QApplication app(argc, argv);
    TslibTaps test;
    return QTest::qExec(&test, argc, argv);
}

#include "tslib_taps.moc"
