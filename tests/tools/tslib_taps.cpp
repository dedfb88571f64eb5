// Calibrated touch through the stick's tslib path, end to end as far as a
// machine without a touch screen allows: taps recorded at the corners of a
// resistive panel's raw range (0 to 4095, its Y axis mounted upside down)
// are read by tslib from an event stream, go through Debian's libts and its
// modules as the stick's ts.conf names them (input, pthres, dejitter, and
// linear with the pendant's pointercal), through
// Qt's tslib plugin built for the stick, and must land as presses at the
// screen's corners. Without the calibration they would land far off screen.
//
// The stream is a pipe fed with the recorded events. The kernel's answers
// about the device (its event types, axes and ranges, which tslib asks
// before reading) come from the ioctl() below, for the pipe alone; every
// other ioctl() of the process goes to the kernel.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

ino_t recorded_device = 0;

bool isRecordedDevice(int fd)
{
    struct stat st;
    return recorded_device != 0 && fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode) && st.st_ino == recorded_device;
}

void setBit(void *bits, size_t size, int bit)
{
    const size_t perLong = 8 * sizeof(long);
    if (bit / perLong < size / sizeof(long))
        static_cast<unsigned long *>(bits)[bit / perLong] |= 1UL << (bit % perLong);
}

// What the kernel says of a resistive single-touch screen: absolute X, Y
// (0 to 4095) and pressure (0 to 255), the touch key, reports.
int describeDevice(unsigned long request, void *arg)
{
    if (request == EVIOCGVERSION) {
        *static_cast<int *>(arg) = EV_VERSION;
        return 0;
    }
    if (_IOC_DIR(request) != _IOC_READ)
        return 0;  // EVIOCGRAB and the like
    const unsigned nr = _IOC_NR(request);
    const size_t size = _IOC_SIZE(request);
    std::memset(arg, 0, size);
    if (nr >= 0x40 && nr < 0x40 + ABS_CNT) {
        auto *info = static_cast<input_absinfo *>(arg);
        info->maximum = nr - 0x40 == ABS_PRESSURE ? 255 : 4095;
        return 0;
    }
    if (nr == _IOC_NR(EVIOCGNAME(0))) {
        std::strncpy(static_cast<char *>(arg), "recorded resistive touch screen", size);
        return int(size);
    }
    switch (nr) {
    case 0x20:  // the event types (EV_SYN is 0: the same request)
        setBit(arg, size, EV_SYN), setBit(arg, size, EV_KEY), setBit(arg, size, EV_ABS);
        break;
    case 0x20 + EV_KEY:
        setBit(arg, size, BTN_TOUCH);
        break;
    case 0x20 + EV_ABS:
        setBit(arg, size, ABS_X), setBit(arg, size, ABS_Y), setBit(arg, size, ABS_PRESSURE);
        break;
    }
    return int(size);
}

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
    if (_IOC_TYPE(request) == 'E' && isRecordedDevice(fd))
        return describeDevice(request, arg);
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
        const int feed = open(qgetenv("TSLIB_TSDEVICE").constData(), O_WRONLY | O_NONBLOCK);
        QVERIFY2(feed >= 0, strerror(errno));
        for (const Tap &tap : taps) {
            const int events[][3] = {
                {EV_ABS, ABS_X, tap.rawX}, {EV_ABS, ABS_Y, tap.rawY}, {EV_ABS, ABS_PRESSURE, 200},
                {EV_KEY, BTN_TOUCH, 1},    {EV_SYN, SYN_REPORT, 0},   {EV_ABS, ABS_PRESSURE, 0},
                {EV_KEY, BTN_TOUCH, 0},    {EV_SYN, SYN_REPORT, 0},
            };
            for (const auto &e : events) {
                input_event ev{};
                ev.type = quint16(e[0]);
                ev.code = quint16(e[1]);
                ev.value = e[2];
                QCOMPARE(write(feed, &ev, sizeof ev), ssize_t(sizeof ev));
            }
            const int before = catcher.presses.size();
            QTRY_VERIFY_WITH_TIMEOUT(catcher.presses.size() > before, 5000);
            const QPoint at = catcher.presses.last();
            QVERIFY2((at - tap.expected).manhattanLength() <= 2,
                     qPrintable(QStringLiteral("raw %1,%2 landed at %3,%4, not at %5,%6")
                                    .arg(tap.rawX).arg(tap.rawY).arg(at.x()).arg(at.y())
                                    .arg(tap.expected.x()).arg(tap.expected.y())));
        }
        close(feed);
    }
};

int main(int argc, char *argv[])
{
    // The stick's settings for a calibrated panel, as the launcher makes
    // them: the touch device, tslib's modules and settings, the pointercal.
    QTemporaryDir dir;
    const QByteArray device = QFile::encodeName(dir.filePath(QStringLiteral("event1")));
    if (!dir.isValid() || mkfifo(device.constData(), 0600) != 0)
        return 1;
    struct stat st;
    stat(device.constData(), &st);
    recorded_device = st.st_ino;
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
