#pragma once
// Quoting of paths and names that come from outside the tool (the command
// line, the file system) before they are spliced into a shell command.
// Commands reach the shell as 8-bit text, one byte per character.

#include <QString>

namespace exec {

// `bytes` holds one byte per character (as QString::fromLatin1 makes it).
// Answers it unchanged when it holds only characters the shell takes
// literally, so constant-looking paths keep their written form; otherwise
// enclosed in single quotes, with each ' written as '\''.
QString shellQuote(const QString &bytes);

// A path given by a caller, quoted as above as one operand of a command. A
// path that begins with '-' is written as "./-...", the same file, so the
// command never reads it as an option.
QString shellQuoteOperand(const QString &bytes);

// The name a file has on disk, as Qt decoded it: encoded back to its bytes
// (QFile::encodeName) and quoted as above, so a name with characters
// outside Latin-1 reaches the shell exactly as it is stored.
QString shellQuoteFileName(const QString &name);

// The reverse of the one-byte-per-character form: the file name Qt uses for
// the path whose bytes `bytes` holds.
QString fileNameFromBytes(const QString &bytes);

}  // namespace exec
