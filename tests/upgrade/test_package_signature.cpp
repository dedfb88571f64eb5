// The signature check of a package, with keys and signatures made by the
// openssl command-line tool as tools/make-package makes them: what is
// accepted, and the statements and files that must not be.

#include <QTemporaryDir>
#include <QtTest>

#include "support/package_signing.h"
#include "upgrade/package_signature.h"

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class PackageSignatureTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    QByteArray package = QByteArray(300 * 1024, 'p') + "end";

    QByteArray key(const QString &name, const QString &algorithm = QStringLiteral("ED25519"))
    {
        return support::makeKey(dir.path(), name, algorithm);
    }
    QByteArray signedBy(const QString &name, const QByteArray &statement)
    {
        return support::signedStatement(path(name + ".key"), statement);
    }
    QByteArray statementOf(const QByteArray &bytes, const QByteArray &version = "2.1 (build 7)")
    {
        return support::statementOf(bytes, version);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        key(QStringLiteral("signer"));
        key(QStringLiteral("other"));
    }

    void judgesEachCase_data()
    {
        QTest::addColumn<QByteArray>("signature");  // "none": no signature file
        QTest::addColumn<QByteArray>("onStick");     // the package as it lies on the stick
        QTest::addColumn<QString>("problem");        // empty: accepted

        const QByteArray good = signedBy(QStringLiteral("signer"), statementOf(package));
        QTest::newRow("signed") << good << package << QString();
        QTest::newRow("no signature file") << QByteArray("none") << package << QString::fromUtf8("没有签名文件tesma.zip.sig");
        QTest::newRow("signed by another key")
            << signedBy(QStringLiteral("other"), statementOf(package)) << package << QString::fromUtf8("签名不是本U盘信任的密钥所签");
        QByteArray edited = good;
        edited.replace("version 2.1", "version 9.9");
        QTest::newRow("version edited after signing") << edited << package << QString::fromUtf8("签名不是本U盘信任的密钥所签");
        QByteArray changed = package;
        changed[1000] = 'q';
        QTest::newRow("a byte changed") << good << changed << QString::fromUtf8("tesma.zip内容与签名不符（SHA-256不同）");
        QTest::newRow("cut short") << good << package.left(4096)
                                   << QString::fromUtf8("tesma.zip大小与签名不符（签名为307203字节，实为4096字节）");
        const QString malformed = QString::fromUtf8("签名文件tesma.zip.sig格式不对");
        QTest::newRow("no final line break") << good.chopped(1) << package << malformed;
        QTest::newRow("a sixth line") << good + "comment\n" << package << malformed;
        QByteArray upper = statementOf(package);
        const int hex = upper.indexOf("sha256 ") + 7;
        upper.replace(hex, 64, upper.mid(hex, 64).toUpper());
        QTest::newRow("upper-case hash") << signedBy(QStringLiteral("signer"), upper) << package << malformed;
        QTest::newRow("larger than a statement") << good + QByteArray(5000, '#') << package << malformed;
    }

    void judgesEachCase()
    {
        QFETCH(QByteArray, signature);
        QFETCH(QByteArray, onStick);
        QFETCH(QString, problem);
        const QString zip = path(QStringLiteral("tesma.zip"));
        write(zip, onStick);
        QFile::remove(zip + ".sig");
        if (signature != "none")
            write(zip + ".sig", signature);
        upgrade::SignedPackage signedPackage;
        QCOMPARE(upgrade::signatureProblem(zip, {read(path(QStringLiteral("signer.pub")))}, signedPackage), problem);
        if (problem.isEmpty()) {
            QCOMPARE(signedPackage.version, QStringLiteral("2.1 (build 7)"));
            QCOMPARE(signedPackage.size, qint64(package.size()));
        }
    }

    // While keys change a stick trusts two: either one's signature counts,
    // and the run log names the one that verified. An RSA key is never one.
    void anyTrustedEd25519KeyVerifies()
    {
        const QString zip = path(QStringLiteral("tesma.zip"));
        write(zip, package);
        write(zip + ".sig", signedBy(QStringLiteral("signer"), statementOf(package, "")));
        const QByteArray rsa = key(QStringLiteral("rsa"), QStringLiteral("RSA"));
        upgrade::SignedPackage signedPackage;
        QCOMPARE(upgrade::signatureProblem(zip, {rsa, read(path(QStringLiteral("other.pub"))), read(path(QStringLiteral("signer.pub")))},
                                           signedPackage),
                 QString());
        QCOMPARE(signedPackage.version, QString());
        // The fingerprint the stick's BUILD.txt gives, by the openssl tool.
        const QByteArray der = support::openssl({QStringLiteral("pkey"), QStringLiteral("-pubin"), QStringLiteral("-in"),
                                        path(QStringLiteral("signer.pub")), QStringLiteral("-outform"), QStringLiteral("DER")});
        QCOMPARE(signedPackage.keyFingerprint,
                 QStringLiteral("SHA256:") + QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex());
        QCOMPARE(upgrade::signatureProblem(zip, {rsa}, signedPackage), QString::fromUtf8("签名不是本U盘信任的密钥所签"));
    }
};

QTEST_GUILESS_MAIN(PackageSignatureTest)
#include "test_package_signature.moc"
