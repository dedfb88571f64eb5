#pragma once
// A touch screen made of a pipe: the tool opens it as its input event
// device, the kernel's answers about the device (its event types, axes and
// ranges) come from describe() for that pipe alone (an ioctl() defined by
// whoever links this in), and taps are written into it as a panel's driver
// would send them. Three kinds of panel:
//   single-btn  resistive, absolute X, Y and pressure, and BTN_TOUCH;
//   single      the same without BTN_TOUCH (old drivers);
//   multi       multi-touch only: slots and tracking ids, no BTN_TOUCH.
// Raw X and Y run from 0 to 4095.

#include <QByteArray>
#include <QPoint>
#include <QSize>
#include <QString>

#include <sys/types.h>

class RecordedTouch {
public:
    enum Kind { SingleWithButton, Single, Multi };

    // From "KIND:PATH" (PENDANT_ROBOT_TOUCH): the pipe at PATH, made if
    // it is not there. False when the text or the pipe is not usable.
    bool setUp(const QString &setting);
    bool setUp(Kind kind, const QByteArray &path);
    bool isDevice(int fd) const;
    // The answer to an 'E' ioctl() on the device.
    int describe(unsigned long request, void *arg) const;
    // One tap at the raw position: pressed, then released.
    bool tap(int rawX, int rawY);
    // The raw position Qt's evdev touch maps onto POINT of a screen of
    // SIZE, or tslib with CALIBRATION (tslib's seven numbers) does.
    static QPoint rawForEvdev(QPoint point, QSize size);
    static QPoint rawForCalibration(QPoint point, const QString &calibration);
    Kind kind() const { return kind_; }

private:
    Kind kind_ = SingleWithButton;
    ino_t inode_ = 0;
    int feed_ = -1;
    int tracking_ = 0;
};
