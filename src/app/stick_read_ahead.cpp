#include "app/stick_read_ahead.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include "log/run_log.h"

namespace app {

namespace {

// Waits for the first Expose of any window; the value goes back on the
// next turn of the event loop, after that window's first paint.
class FirstExpose : public QObject {
public:
    FirstExpose(const QString &setting, const QByteArray &kb) : setting_(setting), kb_(kb) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !done_) {
            done_ = true;
            QTimer::singleShot(0, this, [this] { restore(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void restore()
    {
        QCoreApplication::instance()->removeEventFilter(this);
        QFile file(setting_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::ExistingOnly) || file.write(kb_) != kb_.size() || !file.flush())
            runlog::note(QStringLiteral("the stick's read-ahead could not be set back to %1 KB (%2): %3")
                             .arg(QString::fromLatin1(kb_), setting_, file.errorString()));
        deleteLater();
    }

    const QString setting_;
    const QByteArray kb_;
    bool done_ = false;
};

}  // namespace

void restoreStickReadAheadAfterFirstWindow()
{
    const QString named = qEnvironmentVariable("PENDANT_STICK_READ_AHEAD");
    const int eq = named.lastIndexOf(QLatin1Char('='));
    if (eq < 0)
        return;
    const QString setting = named.left(eq);
    const QString kb = named.mid(eq + 1);
    // Only a disk's read-ahead setting is ever written, and only a number.
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,7}$"));
    if (QFileInfo(setting).fileName() != QLatin1String("read_ahead_kb") || !number.match(kb).hasMatch())
        return;
    QCoreApplication::instance()->installEventFilter(new FirstExpose(setting, kb.toLatin1()));
}

}  // namespace app
