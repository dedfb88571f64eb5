#include "exec/child_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace exec {

namespace {

// Read from the pipe in pieces of its own default size.
constexpr std::size_t chunk_bytes = 65536;
// At most this many pieces in a row, so that a writer faster than the
// reader still lets the deadline be checked.
constexpr int chunks_per_turn = 16;
// Without a pidfd (kernels before 5.3), the end of a shell whose output
// pipe stays open, or that has none to read, is noticed at this interval.
constexpr int fallback_slice_ms = 5;

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A descriptor that becomes readable when the process ends; -1 where the
// kernel has none.
int openPidfd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

void closeQuietly(int &fd)
{
    if (fd >= 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        fd = -1;
    }
}

}  // namespace

ChildProcess::ChildProcess(std::size_t keep) : keep_(keep) {}

ChildProcess::~ChildProcess()
{
    if (pid_ > 0)
        killGroup();
    closePipe();
    closeQuietly(pidfd_);
}

bool ChildProcess::start(const char *command, Channel channel, int timeoutMs)
{
    if (timeoutMs >= 0 && timeoutMs < shortest_limit_ms) {
        errno = ETIME;
        return false;
    }
    channel_ = channel;
    int ends[2] = {-1, -1};
    // Both ends close on exec: the child gets its end by dup2(), and none
    // of the tool's ends leaks into later children.
    if (channel != Channel::Inherit && pipe2(ends, O_CLOEXEC) < 0)
        return false;
    const bool output = channel == Channel::Output;
    int give = output ? ends[1] : ends[0];
    pipe_ = output ? ends[0] : ends[1];
    const int target = output ? STDOUT_FILENO : STDIN_FILENO;

    if (timeoutMs >= 0)
        deadlineNs_ = nowNs() + timeoutMs * 1000000LL;
    const pid_t pid = vfork();
    if (pid < 0) {
        closeQuietly(give);
        closePipe();
        return false;
    }
    if (pid == 0) {
        // Only calls that are safe after vfork() from here on.
        setpgid(0, 0);
        if (channel != Channel::Input) {
            // Never the tool's own input, which nobody answers.
            const int null = open("/dev/null", O_RDONLY);
            if (null > STDIN_FILENO) {
                dup2(null, STDIN_FILENO);
                close(null);
            }
        }
        if (give >= 0) {
            if (give == target)
                fcntl(give, F_SETFD, 0);
            else
                dup2(give, target);
        }
        execl("/bin/sh", "sh", "-c", command, static_cast<char *>(nullptr));
        _exit(127);
    }
    started_ = pid_ = pid;
    closeQuietly(give);
    if (output)
        fcntl(pipe_, F_SETFL, fcntl(pipe_, F_GETFL) | O_NONBLOCK);
    pidfd_ = openPidfd(pid);
    return true;
}

bool ChildProcess::wait()
{
    const bool reading = channel_ == Channel::Output;
    while (pid_ > 0) {
        if (!reading && deadlineNs_ < 0) {
            // Nothing to read and no limit: wait for the end as system() does.
            if (waitpid(pid_, &status_, 0) == pid_)
                pid_ = -1;
            else if (errno != EINTR)
                break;
            continue;
        }
        const pid_t ended = waitpid(pid_, &status_, WNOHANG);
        if (ended == pid_) {
            pid_ = -1;
            break;
        }
        if (ended < 0 && errno != EINTR)
            break;

        int waitMs = -1;
        if (deadlineNs_ >= 0) {
            const long long left = deadlineNs_ - nowNs();
            if (left <= 0) {
                killGroup();
                closePipe();
                return false;
            }
            waitMs = static_cast<int>((left + 999999) / 1000000);
        }
        pollfd fds[2];
        nfds_t count = 0;
        if (pipe_ >= 0 && reading)
            fds[count++] = pollfd{pipe_, POLLIN, 0};
        if (pidfd_ >= 0)
            fds[count++] = pollfd{pidfd_, POLLIN, 0};
        if (pidfd_ < 0 && (waitMs < 0 || waitMs > fallback_slice_ms))
            waitMs = fallback_slice_ms;
        poll(fds, count, waitMs);
        if (reading)
            readAvailable();
    }
    if (pid_ > 0) {
        // Waiting failed (the child was collected elsewhere).
        pid_ = -1;
        closePipe();
        return false;
    }
    // What the command wrote last. A grandchild that still holds the pipe
    // open cannot make this wait: the read end does not block.
    if (reading) {
        readAvailable();
        closePipe();
    }
    return true;
}

int ChildProcess::releaseInput()
{
    const int fd = pipe_;
    pipe_ = -1;
    return fd;
}

void ChildProcess::readAvailable()
{
    char chunk[chunk_bytes];
    for (int turn = 0; turn < chunks_per_turn && pipe_ >= 0; ++turn) {
        const ssize_t got = read(pipe_, chunk, sizeof chunk);
        if (got > 0) {
            const std::size_t room = keep_ - std::min(keep_, output_.size());
            output_.append(chunk, std::min(room, static_cast<std::size_t>(got)));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got == 0 || errno != EAGAIN)
            closePipe();  // every writer has closed it
        return;
    }
}

void ChildProcess::killGroup()
{
    const int saved = errno;
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    errno = saved;
}

void ChildProcess::closePipe()
{
    closeQuietly(pipe_);
}

}  // namespace exec
