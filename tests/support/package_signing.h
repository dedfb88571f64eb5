#pragma once
// Keys and signatures for tests, made by the openssl command-line tool as
// tools/make-package makes them.

#include <QByteArray>
#include <QString>

namespace support {

// Runs openssl with `args`, `input` on its standard input; its output.
// Stops the test program when openssl fails.
QByteArray openssl(const QStringList &args, const QByteArray &input = {});

// Writes the key pair `dir`/NAME.key and NAME.pub (ALGORITHM: ED25519,
// RSA...); answers the public key, PEM.
QByteArray makeKey(const QString &dir, const QString &name, const QString &algorithm = QStringLiteral("ED25519"));

// The statement tools/make-package signs for the package `bytes`.
QByteArray statementOf(const QByteArray &bytes, const QByteArray &version);

// The signature file of `statement` signed with the private key `keyFile`.
QByteArray signedStatement(const QString &keyFile, const QByteArray &statement);

}  // namespace support
