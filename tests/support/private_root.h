#pragma once
// Flow tests steer the tool's branches through files at its fixed absolute
// paths (/home/ostrel/..., /root/workspace, a stick under /media). This
// moves the test process into a mount namespace of its own with empty
// tmpfs folders over those places, so the host is never touched.

#include <QString>

namespace support {

// Answers an empty string on success, otherwise why it could not (the test
// then skips: it needs root, or unprivileged namespaces).
QString enterPrivateRoot();

// Empties the private folders again between test cases.
void clearPrivateRoot();

// Creates a file (and its folders) with the given content.
void writeFile(const QString &path, const QByteArray &content = QByteArray("x"));

}  // namespace support
