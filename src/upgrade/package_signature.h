#pragma once
// Who made the package: a stick built to trust signing keys installs only a
// package that one of them signed. The signature file tesma.zip.sig beside
// the package holds a small statement (the package's SHA-256, its size in
// bytes and a free version text) and an Ed25519 signature over exactly
// those bytes. Signing the hash rather than the package lets the pendant
// stream the file through the hash and never hold it in memory.
//
// tesma.zip.sig, five lines of text:
//   pendant-package-statement 1
//   sha256 <64 lower-case hex digits>
//   size <bytes, decimal>
//   version <free text, one line, may be empty>
//   signature <base64 of the Ed25519 signature over the four lines above>
// tools/make-package sign writes it, check --key reads it the same way.

#include <QByteArray>
#include <QList>
#include <QString>

namespace upgrade {

// The public keys a stick trusts, PEM text each. None: packages are
// installed unverified, as a stick without trust always did.
using TrustedKeys = QList<QByteArray>;

// What a trusted key vouched for.
struct SignedPackage {
    QByteArray sha256;  // raw digest, 32 bytes
    qint64 size = 0;
    QString version;
    QString keyFingerprint;  // of the key that verified it (keyFingerprint())
};

// "SHA256:" and the hex SHA-256 of the key's DER SubjectPublicKeyInfo, as
// `openssl pkey -pubin -outform DER | sha256sum` gives it; empty for text
// that holds no public key.
QString keyFingerprint(const QByteArray &pem);

// Why the package at `packageFile` must not be installed, or empty: no
// signature file beside it, one that cannot be read, a signature by no key
// of `trusted`, or a package whose size or SHA-256 differs from the signed
// ones. The package is read once, in small pieces. `signedPackage`
// receives what was signed.
QString signatureProblem(const QString &packageFile, const TrustedKeys &trusted, SignedPackage &signedPackage);

// Why `file` is not the package that was signed (its size or SHA-256
// differs, or it cannot be read), or empty. For the copy on the
// controller's share: a stick changed after the check cannot slip in.
QString signedCopyProblem(const QString &file, const SignedPackage &signedPackage);

}  // namespace upgrade
