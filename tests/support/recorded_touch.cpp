#include "support/recorded_touch.h"

#include <QFile>
#include <QSize>
#include <QStringList>
#include <QVector>

#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void setBit(void *bits, size_t size, int bit)
{
    const size_t perLong = 8 * sizeof(long);
    if (bit / perLong < size / sizeof(long))
        static_cast<unsigned long *>(bits)[bit / perLong] |= 1UL << (bit % perLong);
}

}  // namespace

bool RecordedTouch::setUp(const QString &setting)
{
    const QString kind = setting.section(QLatin1Char(':'), 0, 0);
    const QByteArray path = QFile::encodeName(setting.section(QLatin1Char(':'), 1));
    if (kind == QLatin1String("single-btn"))
        return setUp(SingleWithButton, path);
    if (kind == QLatin1String("single"))
        return setUp(Single, path);
    if (kind == QLatin1String("multi"))
        return setUp(Multi, path);
    return false;
}

bool RecordedTouch::setUp(Kind kind, const QByteArray &path)
{
    kind_ = kind;
    struct stat st;
    if (stat(path.constData(), &st) != 0 && mkfifo(path.constData(), 0600) != 0)
        return false;
    if (stat(path.constData(), &st) != 0 || !S_ISFIFO(st.st_mode))
        return false;
    inode_ = st.st_ino;
    // Held open for writing from the start, so a reader never sees the
    // end of the stream between taps.
    feed_ = open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    return feed_ >= 0;
}

bool RecordedTouch::isDevice(int fd) const
{
    struct stat st;
    return inode_ != 0 && fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode) && st.st_ino == inode_;
}

int RecordedTouch::describe(unsigned long request, void *arg) const
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
        switch (nr - 0x40) {
        case ABS_PRESSURE: info->maximum = 255; break;
        case ABS_MT_SLOT: info->maximum = 9; break;
        case ABS_MT_TRACKING_ID: info->maximum = 65535; break;
        default: info->maximum = 4095;
        }
        return 0;
    }
    if (nr == _IOC_NR(EVIOCGNAME(0))) {
        std::strncpy(static_cast<char *>(arg), "recorded touch screen", size);
        return int(size);
    }
    switch (nr) {
    case 0x20:  // the event types (EV_SYN is 0: the same request)
        setBit(arg, size, EV_SYN), setBit(arg, size, EV_ABS);
        if (kind_ == SingleWithButton)
            setBit(arg, size, EV_KEY);
        break;
    case 0x20 + EV_KEY:
        if (kind_ == SingleWithButton)
            setBit(arg, size, BTN_TOUCH);
        break;
    case 0x20 + EV_ABS:
        if (kind_ == Multi) {
            setBit(arg, size, ABS_MT_SLOT), setBit(arg, size, ABS_MT_POSITION_X);
            setBit(arg, size, ABS_MT_POSITION_Y), setBit(arg, size, ABS_MT_TRACKING_ID);
        } else {
            setBit(arg, size, ABS_X), setBit(arg, size, ABS_Y), setBit(arg, size, ABS_PRESSURE);
        }
        break;
    }
    return int(size);
}

bool RecordedTouch::tap(int rawX, int rawY)
{
    QVector<QVector<int>> events;
    if (kind_ == Multi) {
        ++tracking_;
        events = {{EV_ABS, ABS_MT_SLOT, 0}, {EV_ABS, ABS_MT_TRACKING_ID, tracking_},
                  {EV_ABS, ABS_MT_POSITION_X, rawX}, {EV_ABS, ABS_MT_POSITION_Y, rawY},
                  {EV_SYN, SYN_REPORT, 0}, {EV_ABS, ABS_MT_TRACKING_ID, -1}, {EV_SYN, SYN_REPORT, 0}};
    } else {
        events = {{EV_ABS, ABS_X, rawX}, {EV_ABS, ABS_Y, rawY}, {EV_ABS, ABS_PRESSURE, 200}};
        if (kind_ == SingleWithButton)
            events.append({EV_KEY, BTN_TOUCH, 1});
        events.append({EV_SYN, SYN_REPORT, 0});
        events.append({EV_ABS, ABS_PRESSURE, 0});
        if (kind_ == SingleWithButton)
            events.append({EV_KEY, BTN_TOUCH, 0});
        events.append({EV_SYN, SYN_REPORT, 0});
    }
    for (const QVector<int> &e : events) {
        input_event ev{};
        ev.type = quint16(e[0]);
        ev.code = quint16(e[1]);
        ev.value = e[2];
        if (write(feed_, &ev, sizeof ev) != ssize_t(sizeof ev))
            return false;
    }
    return true;
}

QPoint RecordedTouch::rawForEvdev(QPoint point, QSize size)
{
    return QPoint(qRound(point.x() * 4095.0 / (size.width() - 1)), qRound(point.y() * 4095.0 / (size.height() - 1)));
}

QPoint RecordedTouch::rawForCalibration(QPoint point, const QString &calibration)
{
    // tslib: x = (a2 + a0 X + a1 Y) / a6, y = (a5 + a3 X + a4 Y) / a6.
    const QStringList a = calibration.simplified().split(QLatin1Char(' '));
    if (a.size() < 7)
        return QPoint(-1, -1);
    double c[7];
    for (int i = 0; i < 7; ++i)
        c[i] = a[i].toDouble();
    const double bx = point.x() * c[6] - c[2], by = point.y() * c[6] - c[5];
    const double det = c[0] * c[4] - c[1] * c[3];
    if (det == 0)
        return QPoint(-1, -1);
    return QPoint(qRound((bx * c[4] - c[1] * by) / det), qRound((c[0] * by - c[3] * bx) / det));
}
