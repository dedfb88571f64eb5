#pragma once
// Installs the network configuration "interfaces" into /etc/network/ and
// the script "ping.sh" into /root/ from a source directory, after the user
// confirms.

#include <QString>

// `dir` is the source directory without a trailing slash, one byte per
// character (as QString::fromLatin1 makes it); it reaches the shell as
// exactly those bytes, as one path. Nothing is reported to the user; a
// failing copy leaves only its own error output.
void ReplaceFile(const QString &dir);
