#include "database/sqlite_shell.h"

#include <QRegularExpression>
#include <limits>

#include "exec/commands.h"

namespace database {

int shellTimeLimit(qint64 databaseBytes)
{
    const qint64 fixedMs = 2 * 60 * 1000;
    const qint64 bytesPerSecond = 150 * 1024;
    const qint64 ms = fixedMs + qMax<qint64>(databaseBytes, 0) * 1000 / bytesPerSecond;
    return int(qMin<qint64>(ms, std::numeric_limits<int>::max()));
}

exec::CommandResult shellVersionLine(const QString &tool)
{
    return exec::execute(QStringLiteral("%1 -version").arg(tool), shellTimeLimit(0));
}

int shellVersion(const QString &firstLine)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^(\\d+)\\.(\\d+)\\.\\d+")).match(firstLine);
    return m.hasMatch() ? m.captured(1).toInt() * 1000 + m.captured(2).toInt() : -1;
}

exec::CommandResult integrityCheck(const QString &tool, const QString &file, int limitMs)
{
    return exec::execute(QStringLiteral("%1 %2 \"PRAGMA integrity_check;\"").arg(tool, file), limitMs);
}

bool integrityPassed(const exec::CommandResult &check)
{
    QString line = check.firstLine;
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return check.ended && line == QLatin1String("ok");
}

exec::CommandResult loadSafely(const QString &tool, const QString &file, const QString &dotCommand,
                               const QString &into, int limitMs)
{
    return exec::execute(QStringLiteral("%1 %2 \"%3\" | %1 -safe %4").arg(tool, file, dotCommand, into), limitMs);
}

exec::CommandResult dbpageProbe(const QString &tool, int limitMs)
{
    return exec::execute(QStringLiteral("%1 :memory: \"SELECT count(*) FROM sqlite_dbpage;\"").arg(tool), limitMs);
}

qint64 shellRowCount(const QString &tool, const QString &file, const QString &table, int limitMs)
{
    const exec::CommandResult count =
        exec::execute(QStringLiteral("%1 -readonly %2 \"SELECT count(*) FROM %3;\"").arg(tool, file, table), limitMs);
    bool number = false;
    const qint64 rows = count.firstLine.trimmed().toLongLong(&number);
    return count.succeeded() && number ? rows : -1;
}

}  // namespace database
