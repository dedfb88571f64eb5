#include "upgrade/zip_directory.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <zlib.h>

namespace upgrade {

namespace {

const quint32 end_signature = 0x06054b50;
const quint32 entry_signature = 0x02014b50;
const int end_record_size = 22;
const int entry_header_size = 46;
const int unix_host = 3;

quint16 u16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 u32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

}  // namespace

bool readZipDirectory(const QString &path, QList<ZipEntry> &entries)
{
    entries.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < end_record_size)
        return false;
    // The end record sits at the very end, behind a comment of up to 64 KiB.
    const qint64 tailSize = qMin<qint64>(file.size(), end_record_size + 0xffff);
    file.seek(file.size() - tailSize);
    const QByteArray tail = file.read(tailSize);
    int end = -1;
    for (int i = tail.size() - end_record_size; i >= 0; --i) {
        if (u32(tail.constData() + i) == end_signature) {
            end = i;
            break;
        }
    }
    if (end < 0)
        return false;
    const char *record = tail.constData() + end;
    const quint16 count = u16(record + 10);
    const quint32 directorySize = u32(record + 12);
    const quint32 directoryOffset = u32(record + 16);
    if (count == 0xffff || directorySize == 0xffffffff || directoryOffset == 0xffffffff)
        return false;
    if (qint64(directoryOffset) + directorySize > file.size() || !file.seek(directoryOffset))
        return false;
    const QByteArray directory = file.read(directorySize);
    if (directory.size() != int(directorySize))
        return false;

    int at = 0;
    for (int i = 0; i < count; ++i) {
        if (at + entry_header_size > directory.size())
            return false;
        const char *h = directory.constData() + at;
        if (u32(h) != entry_signature)
            return false;
        const int madeOn = u16(h + 4) >> 8;
        const quint16 method = u16(h + 10);
        const quint32 crc = u32(h + 16);
        const quint32 packedSize = u32(h + 20);
        const quint32 size = u32(h + 24);
        const int nameLength = u16(h + 28);
        const int extraLength = u16(h + 30);
        const int commentLength = u16(h + 32);
        const quint32 attributes = u32(h + 38);
        const int next = at + entry_header_size + nameLength + extraLength + commentLength;
        if (next > directory.size() || size == 0xffffffff)
            return false;
        ZipEntry entry;
        entry.name = QByteArray(h + entry_header_size, nameLength);
        entry.size = size;
        // Unix archivers keep the file mode in the upper half.
        entry.symlink = madeOn == unix_host && ((attributes >> 16) & 0170000) == 0120000;
        entry.crc = crc;
        entry.method = method;
        entry.packedSize = packedSize;
        entry.headerOffset = u32(h + 42);
        entries.append(entry);
        at = next;
    }
    return true;
}

namespace {

const qint64 chunk_bytes = 256 * 1024;
const quint32 local_signature = 0x04034b50;
const int local_header_size = 30;

QString entryName(const ZipEntry &e)
{
    return QString::fromUtf8(e.name);
}

// The CRC-32 of the file at `path`, read in chunks; false when it cannot be
// read to its end.
bool fileCrc(const QString &path, quint32 &crc)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    uLong sum = crc32(0L, Z_NULL, 0);
    QByteArray buffer(int(chunk_bytes), Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(buffer.data(), chunk_bytes);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        sum = crc32(sum, reinterpret_cast<const Bytef *>(buffer.constData()), uInt(n));
    }
    crc = quint32(sum);
    return true;
}

// Unpacks the member `e` of the open archive in memory, chunk by chunk, and
// answers whether its bytes have the size and CRC-32 of the directory.
bool memberSound(QFile &archive, const ZipEntry &e)
{
    char local[local_header_size];
    if (!archive.seek(e.headerOffset) || archive.read(local, local_header_size) != local_header_size ||
        u32(local) != local_signature)
        return false;
    if (!archive.seek(qint64(e.headerOffset) + local_header_size + u16(local + 26) + u16(local + 28)))
        return false;
    if (e.method != 0 && e.method != 8)
        return false;
    z_stream z{};
    if (e.method == 8 && inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return false;
    uLong sum = crc32(0L, Z_NULL, 0);
    quint64 produced = 0;
    qint64 left = e.packedSize;
    int status = Z_OK;
    QByteArray in(int(chunk_bytes), Qt::Uninitialized), out(int(chunk_bytes), Qt::Uninitialized);
    while (left > 0 && status != Z_STREAM_END) {
        const qint64 n = archive.read(in.data(), qMin(left, chunk_bytes));
        if (n <= 0)
            break;
        left -= n;
        if (e.method == 0) {
            sum = crc32(sum, reinterpret_cast<const Bytef *>(in.constData()), uInt(n));
            produced += quint64(n);
            continue;
        }
        z.next_in = reinterpret_cast<Bytef *>(in.data());
        z.avail_in = uInt(n);
        do {
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
            status = inflate(&z, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END)
                break;
            const uInt got = uInt(out.size()) - z.avail_out;
            sum = crc32(sum, reinterpret_cast<const Bytef *>(out.constData()), got);
            produced += got;
        } while ((z.avail_in > 0 || z.avail_out == 0) && status == Z_OK);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
    }
    if (e.method == 8)
        inflateEnd(&z);
    const bool complete = e.method == 0 ? left == 0 : status == Z_STREAM_END;
    return complete && produced == e.size && quint32(sum) == e.crc;
}

}  // namespace

QString unpackedProblem(const QList<ZipEntry> &entries, const QString &dir)
{
    for (const ZipEntry &e : entries) {
        const QString path = dir + QLatin1Char('/') + entryName(e);
        const QFileInfo info(path);
        if (e.name.endsWith('/')) {
            if (!info.isDir())
                return QString::fromLocal8Bit("解压后缺少%1").arg(entryName(e));
            continue;
        }
        if (!info.isFile())
            return QString::fromLocal8Bit("解压后缺少%1").arg(entryName(e));
        quint32 crc = 0;
        if (quint64(info.size()) != e.size || !fileCrc(path, crc) || crc != e.crc)
            return QString::fromLocal8Bit("解压后的%1已损坏（大小或CRC校验不符）")
                .arg(entryName(e));
    }
    return QString();
}

QString packedProblem(const QString &path, const QList<ZipEntry> &entries)
{
    QFile archive(path);
    if (!archive.open(QIODevice::ReadOnly))
        return QString::fromLocal8Bit("无法读取%1").arg(QFileInfo(path).fileName());
    for (const ZipEntry &e : entries)
        if (!e.name.endsWith('/') && !memberSound(archive, e))
            return QString::fromLocal8Bit("%1中的%2已损坏（大小或CRC校验不符）")
                .arg(QFileInfo(path).fileName(), entryName(e));
    return QString();
}

quint64 unpackedSize(const QList<ZipEntry> &entries)
{
    quint64 total = 0;
    for (const ZipEntry &e : entries)
        total += e.size;
    return total;
}

bool escapes(const QByteArray &name)
{
    if (name.startsWith('/') || name.startsWith('\\'))
        return true;
    for (const QByteArray &part : name.split('/'))
        if (part == "..")
            return true;
    return name.contains('\\');
}

}  // namespace upgrade
