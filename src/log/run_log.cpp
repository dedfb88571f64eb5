#include "log/run_log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace runlog {

namespace {

QString log_path;

void append(const QString &line)
{
    if (log_path.isEmpty())
        return;
    QFile file(log_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write((QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) + line +
                QLatin1Char('\n'))
                   .toUtf8());
}

// Keeps the last `capacity` bytes, from a line's start. The shorter log is
// written whole under another name first, so a pulled stick never leaves
// half a log.
void trim()
{
    QFile file(log_path);
    if (file.size() <= capacity || !file.open(QIODevice::ReadOnly))
        return;
    file.seek(file.size() - capacity);
    QByteArray tail = file.readAll();
    file.close();
    const int lineStart = tail.indexOf('\n');
    tail = lineStart >= 0 ? tail.mid(lineStart + 1) : QByteArray();
    QSaveFile trimmed(log_path);
    if (trimmed.open(QIODevice::WriteOnly) && trimmed.write(tail) == tail.size())
        trimmed.commit();
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1String(" / "));
}

}  // namespace

void begin(const QString &dir, const QString &job)
{
    log_path = QDir(dir).filePath(QStringLiteral("pendant-tool.log"));
    trim();
    append(QStringLiteral("start: ") + job);
}

void command(const QString &text, bool ended, int exitCode, qint64 ms)
{
    const QString how = !ended        ? QStringLiteral("not ended")
                        : exitCode < 0 ? QStringLiteral("killed")
                                       : QStringLiteral("exit %1").arg(exitCode);
    append(QStringLiteral("command [%1, %2 ms] %3").arg(how).arg(ms).arg(oneLine(text)));
}

void box(const QString &title, const QString &text, const QString &clicked)
{
    append(QStringLiteral("box [%1] %2 -> %3").arg(oneLine(title), oneLine(text), clicked));
}

void note(const QString &text)
{
    append(QStringLiteral("note: ") + oneLine(text));
}

void end()
{
    append(QStringLiteral("end"));
    trim();
}

}  // namespace runlog
