#pragma once
// The table of contents of a zip archive, read from its central directory
// without unpacking anything: what the upgrade checks before it lets unzip
// write a single file.

#include <QByteArray>
#include <QList>
#include <QString>

namespace upgrade {

struct ZipEntry {
    QByteArray name;    // as stored: '/'-separated, folders end in '/'
    quint64 size = 0;   // unpacked size in bytes
    bool symlink = false;
    quint32 crc = 0;             // CRC-32 of the unpacked bytes
    quint16 method = 0;          // 0 stored, 8 deflated
    quint32 packedSize = 0;      // bytes of the entry's data in the archive
    quint32 headerOffset = 0;    // where the entry's local header starts
};

// Reads the entries of the archive at `path`. Answers false when the file
// cannot be read or is not a zip archive this tool can check (no central
// directory, a cut one, or the 64-bit form, which a pendant package never
// needs).
bool readZipDirectory(const QString &path, QList<ZipEntry> &entries);

// Why the entries of an archive, unpacked into `dir`, are not there as the
// archive's directory gives them (a missing entry, a file of another size or
// CRC-32), or empty when every one is. An unpacker's exit status cannot tell:
// BusyBox's unzip exits 1 for a damaged member and for a mere warning alike.
QString unpackedProblem(const QList<ZipEntry> &entries, const QString &dir);

// Why a member of the archive at `path` does not unpack to the size and
// CRC-32 its directory gives, or empty when all do; read in-process, so
// nothing is written. `entries` is the archive's directory.
QString packedProblem(const QString &path, const QList<ZipEntry> &entries);

// The sum of the entries' unpacked sizes.
quint64 unpackedSize(const QList<ZipEntry> &entries);

// True when `name` would land outside the folder it is unpacked into: an
// absolute path or a ".." component.
bool escapes(const QByteArray &name);

}  // namespace upgrade
