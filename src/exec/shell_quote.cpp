#include "exec/shell_quote.h"

#include <QFile>

namespace exec {

namespace {

bool isPlain(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
           QStringLiteral("/._-+,:@%=").contains(c);
}

}  // namespace

QString shellQuote(const QString &bytes)
{
    if (!bytes.isEmpty() && std::all_of(bytes.begin(), bytes.end(), isPlain))
        return bytes;
    QString quoted = bytes;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString shellQuoteOperand(const QString &bytes)
{
    if (bytes.startsWith(QLatin1Char('-')))
        return shellQuote(QStringLiteral("./") + bytes);
    return shellQuote(bytes);
}

QString shellQuoteFileName(const QString &name)
{
    return shellQuote(QString::fromLatin1(QFile::encodeName(name)));
}

QString fileNameFromBytes(const QString &bytes)
{
    return QFile::decodeName(bytes.toLatin1());
}

}  // namespace exec
