#include "upgrade/package_signature.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <memory>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "upgrade/package_file.h"

namespace upgrade {

namespace {

const QByteArray magic = "pendant-package-statement 1";
// A statement is a few hundred bytes; anything much larger is not one.
constexpr qint64 maxSignatureFile = 4096;

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

// The pendant may have an OpenSSL configuration of its own, written for
// another version: it must neither break nor change the checks.
void initCrypto()
{
    static const bool done = OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
    Q_UNUSED(done)
}

Key readKey(const QByteArray &pem)
{
    initCrypto();
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.constData(), pem.size()), BIO_free);
    return Key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr, EVP_PKEY_free);
}

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

struct Statement {
    QByteArray signedBytes;  // the four statement lines, as signed
    QByteArray signature;
    SignedPackage package;
};

// Splits the signature file; false when it is not one.
bool parse(const QByteArray &file, Statement &s)
{
    const QList<QByteArray> lines = file.split('\n');
    // Five lines, each ended by a line break (split leaves an empty tail).
    if (lines.size() != 6 || !lines.last().isEmpty() || lines[0] != magic)
        return false;
    auto value = [&](int line, const char *key) -> QByteArray {
        const QByteArray prefix = QByteArray(key) + ' ';
        return lines[line].startsWith(prefix) ? lines[line].mid(prefix.size()) : QByteArray();
    };
    const QByteArray hex = value(1, "sha256");
    const QByteArray size = value(2, "size");
    const bool hasVersion = lines[3] == "version" || lines[3].startsWith("version ");
    const QByteArray signature = value(4, "signature");
    bool sizeOk = false;
    s.package.size = size.toLongLong(&sizeOk);
    if (hex.size() != 64 || hex != hex.toLower() || QByteArray::fromHex(hex).toHex() != hex || !sizeOk ||
        s.package.size < 0 || !hasVersion || signature.isEmpty())
        return false;
    s.package.sha256 = QByteArray::fromHex(hex);
    s.package.version = QString::fromUtf8(lines[3].mid(8));
    s.signature = QByteArray::fromBase64(signature, QByteArray::AbortOnBase64DecodingErrors);
    s.signedBytes = file.left(file.indexOf("\nsignature ") + 1);
    return !s.signature.isEmpty();
}

bool verifiedBy(const QByteArray &pem, const Statement &s)
{
    const Key key = readKey(pem);
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519)
        return false;
    DigestContext ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    // Ed25519 signs the message itself: no separate digest is named.
    return ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char *>(s.signature.constData()),
                            size_t(s.signature.size()), reinterpret_cast<const unsigned char *>(s.signedBytes.constData()),
                            size_t(s.signedBytes.size())) == 1;
}

// The SHA-256 and size of `file`, read in pieces of 64 KiB so that a
// 100 MB package never lies in memory; false when it cannot be read whole.
bool hashFile(const QString &file, QByteArray &sha256, qint64 &size)
{
    initCrypto();
    QFile in(file);
    DigestContext ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || !in.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        return false;
    QByteArray piece(64 * 1024, Qt::Uninitialized);
    size = 0;
    for (;;) {
        const qint64 n = in.read(piece.data(), piece.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (EVP_DigestUpdate(ctx.get(), piece.constData(), size_t(n)) != 1)
            return false;
        size += n;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1)
        return false;
    sha256 = QByteArray(reinterpret_cast<const char *>(digest), int(length));
    return true;
}

}  // namespace

QString keyFingerprint(const QByteArray &pem)
{
    const Key key = readKey(pem);
    if (!key)
        return QString();
    unsigned char *der = nullptr;
    const int length = i2d_PUBKEY(key.get(), &der);
    if (length <= 0)
        return QString();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    const bool hashed = EVP_Digest(der, size_t(length), digest, &digestLength, EVP_sha256(), nullptr) == 1;
    OPENSSL_free(der);
    if (!hashed)
        return QString();
    return QStringLiteral("SHA256:") +
           QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(digestLength)).toHex());
}

QString signatureProblem(const QString &packageFile, const TrustedKeys &trusted, SignedPackage &signedPackage)
{
    const QString sigName = packageFileName() + QStringLiteral(".sig");
    QFile sigFile(packageFile + QStringLiteral(".sig"));
    if (!sigFile.exists())
        return text("没有签名文件%1").arg(sigName);
    if (!sigFile.open(QIODevice::ReadOnly))
        return text("无法读取签名文件%1").arg(sigName);
    const QByteArray content = sigFile.read(maxSignatureFile + 1);
    Statement statement;
    if (content.size() > maxSignatureFile || !parse(content, statement))
        return text("签名文件%1格式不对").arg(sigName);

    for (const QByteArray &pem : trusted) {
        if (!verifiedBy(pem, statement))
            continue;
        statement.package.keyFingerprint = keyFingerprint(pem);
        const QString problem = signedCopyProblem(packageFile, statement.package);
        if (problem.isEmpty())
            signedPackage = statement.package;
        return problem;
    }
    return text("签名不是本U盘信任的密钥所签");
}

QString signedCopyProblem(const QString &file, const SignedPackage &signedPackage)
{
    // The size first: a package cut short or grown is told without reading it.
    const qint64 size = QFileInfo(file).size();
    if (size != signedPackage.size)
        return text("%1大小与签名不符（签名为%2字节，实为%3字节）")
            .arg(packageFileName())
            .arg(signedPackage.size)
            .arg(size);
    QByteArray sha256;
    qint64 read = 0;
    if (!hashFile(file, sha256, read))
        return text("无法读取%1").arg(file);
    if (read != signedPackage.size || sha256 != signedPackage.sha256)
        return text("%1内容与签名不符（SHA-256不同）").arg(packageFileName());
    return QString();
}

}  // namespace upgrade
