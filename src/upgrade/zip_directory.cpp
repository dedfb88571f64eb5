#include "upgrade/zip_directory.h"

#include <QFile>
#include <QtEndian>

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
        entries.append(entry);
        at = next;
    }
    return true;
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
