#include "exec/real_backend.h"

#include <QFile>
#include <cstring>

#include "exec/child_process.h"
#include "exec/vpopen.h"

namespace exec {

namespace {

// The runner keeps what fgets() into a 128-byte buffer would: at most 127
// bytes, up to and including the first line break, up to a NUL byte.
constexpr std::size_t first_line_bytes = 127;

QString firstLineOf(const std::string &output)
{
    std::size_t end = output.find('\n');
    end = end == std::string::npos ? output.size() : end + 1;
    end = std::min(end, std::strlen(output.c_str()));
    return QString::fromLatin1(output.data(), static_cast<int>(end));
}

}  // namespace

CommandResult RealBackend::system(const QString &command)
{
    return CommandResult::fromStatus(vsystem(command.toLatin1().constData()));
}

CommandResult RealBackend::execute(const QString &command, int timeout)
{
    // One byte per character, so names taken from the file system as 8-bit
    // text reach the shell unchanged.
    const QByteArray bytes = command.toLatin1();
    ChildProcess child(first_line_bytes);
    if (!child.start(bytes.constData(), ChildProcess::Channel::Output, timeout) || !child.wait())
        return CommandResult::notEnded();
    return CommandResult::fromStatus(child.status(), firstLineOf(child.output()));
}

QByteArray RealBackend::mountTable()
{
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return QByteArray();
    // Files under /proc report no size: read until the end.
    return mounts.readAll();
}

CommandBackend &realBackend()
{
    static RealBackend real;
    return real;
}

}  // namespace exec
