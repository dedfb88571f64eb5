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
};

// Reads the entries of the archive at `path`. Answers false when the file
// cannot be read or is not a zip archive this tool can check (no central
// directory, a cut one, or the 64-bit form, which a pendant package never
// needs).
bool readZipDirectory(const QString &path, QList<ZipEntry> &entries);

// The sum of the entries' unpacked sizes.
quint64 unpackedSize(const QList<ZipEntry> &entries);

// True when `name` would land outside the folder it is unpacked into: an
// absolute path or a ".." component.
bool escapes(const QByteArray &name);

}  // namespace upgrade
