#include "support/package_signing.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>

namespace support {

QByteArray openssl(const QStringList &args, const QByteArray &input)
{
    QProcess p;
    p.start(QStringLiteral("openssl"), args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished() || p.exitCode() != 0)
        qFatal("openssl %s failed: %s", qPrintable(args.join(' ')), p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}

QByteArray makeKey(const QString &dir, const QString &name, const QString &algorithm)
{
    const QString key = dir + QLatin1Char('/') + name;
    openssl({QStringLiteral("genpkey"), QStringLiteral("-algorithm"), algorithm, QStringLiteral("-out"), key + ".key"});
    const QByteArray pub = openssl({QStringLiteral("pkey"), QStringLiteral("-in"), key + ".key", QStringLiteral("-pubout")});
    QFile file(key + ".pub");
    if (!file.open(QIODevice::WriteOnly) || file.write(pub) != pub.size())
        qFatal("cannot write %s.pub", qPrintable(key));
    return pub;
}

QByteArray statementOf(const QByteArray &bytes, const QByteArray &version)
{
    return "pendant-package-statement 1\nsha256 " + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() +
           "\nsize " + QByteArray::number(bytes.size()) + "\nversion " + version + "\n";
}

QByteArray signedStatement(const QString &keyFile, const QByteArray &statement)
{
    // pkeyutl signs Ed25519 over a whole file (-rawin), not a stream.
    QTemporaryFile file;
    if (!file.open() || file.write(statement) != statement.size() || !file.flush())
        qFatal("cannot write the statement");
    const QByteArray signature = openssl({QStringLiteral("pkeyutl"), QStringLiteral("-sign"), QStringLiteral("-inkey"),
                                          keyFile, QStringLiteral("-rawin"), QStringLiteral("-in"), file.fileName()});
    return statement + "signature " + signature.toBase64() + "\n";
}

}  // namespace support
