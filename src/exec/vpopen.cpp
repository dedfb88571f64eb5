#include "exec/vpopen.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int openmax = 0;              // cached open_max(); 0: not yet asked
pid_t *childpid = nullptr;    // per descriptor: the child whose stream uses it
int *childstatus = nullptr;   // per descriptor: that child's wait status
int maxfd = 0;                // entries of childpid

const useconds_t poll_interval_us = 5000;

// Spool for the output of a mode "r" command: an anonymous file, so that the
// stream handed out has a descriptor of its own and can hold any amount.
int makeSpool()
{
    int fd = memfd_create("vpopen", MFD_CLOEXEC);
    if (fd < 0) {
        FILE *tmp = std::tmpfile();
        if (!tmp)
            return -1;
        fd = dup(fileno(tmp));
        std::fclose(tmp);
        if (fd >= 0)
            fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return fd;
}

bool writeAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Moves what the pipe holds now into the spool, without blocking.
bool drain(int pipeFd, int spoolFd)
{
    char chunk[16384];
    for (;;) {
        const ssize_t got = read(pipeFd, chunk, sizeof chunk);
        if (got > 0) {
            if (!writeAll(spoolFd, chunk, got))
                return false;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return true;  // empty for now (EAGAIN), or every writer has closed it
    }
}

// Standard input of every command: never the tool's own, which may be a
// terminal or pipe that nobody answers.
void nullInput()
{
    const int fd = open("/dev/null", O_RDONLY);
    if (fd > 0) {
        dup2(fd, STDIN_FILENO);
        close(fd);
    }
}

void closeQuietly(int fd)
{
    if (fd >= 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
    }
}

void killAndReap(pid_t pid)
{
    const int saved = errno;
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    errno = saved;
}

}  // namespace

int open_max()
{
    if (openmax != 0)
        return openmax;
    errno = 0;
    openmax = static_cast<int>(sysconf(_SC_OPEN_MAX));
    if (openmax >= 0)
        return openmax;
    if (errno != 0) {
        std::printf("sysconf error for _SC_OPEN_MAX");
        return openmax;
    }
    openmax = 1024;  // indeterminate
    return openmax;
}

FILE *vpopen(const char *cmdstring, const char *type, int timeout)
{
    if ((type[0] != 'r' && type[0] != 'w') || type[1] != '\0') {
        errno = EINVAL;
        return nullptr;
    }
    const bool reading = type[0] == 'r';

    if (childpid == nullptr) {
        maxfd = open_max();
        if (maxfd <= 0)
            return nullptr;
        childpid = static_cast<pid_t *>(std::calloc(maxfd, sizeof(pid_t)));
        childstatus = static_cast<int *>(std::calloc(maxfd, sizeof(int)));
        if (childpid == nullptr || childstatus == nullptr) {
            std::free(childpid);
            std::free(childstatus);
            childpid = nullptr;
            childstatus = nullptr;
            return nullptr;
        }
    }

    int pfd[2];
    if (pipe(pfd) < 0)
        return nullptr;
    // The tool's end of the pipe must not leak into the child's own children.
    const int keep = reading ? pfd[0] : pfd[1];
    const int give = reading ? pfd[1] : pfd[0];
    fcntl(keep, F_SETFD, FD_CLOEXEC);

    int spool = -1;
    if (reading) {
        spool = makeSpool();
        if (spool < 0) {
            closeQuietly(pfd[0]);
            closeQuietly(pfd[1]);
            return nullptr;
        }
    }

    const pid_t pid = vfork();
    if (pid < 0) {
        closeQuietly(pfd[0]);
        closeQuietly(pfd[1]);
        closeQuietly(spool);
        return nullptr;
    }
    if (pid == 0) {
        const int target = reading ? STDOUT_FILENO : STDIN_FILENO;
        close(keep);
        if (reading)
            nullInput();
        if (give != target) {
            dup2(give, target);
            close(give);
        }
        // Streams of earlier calls that are still open stay with the tool.
        for (int i = 0; i < maxfd; ++i)
            if (childpid[i] > 0)
                close(i);
        execl("/bin/sh", "sh", "-c", cmdstring, static_cast<char *>(nullptr));
        _exit(127);
    }

    close(give);
    if (reading)
        fcntl(keep, F_SETFL, fcntl(keep, F_GETFL) | O_NONBLOCK);

    // Wait for the child; in mode "r" move its output to the spool meanwhile.
    const int polls = timeout >= 0 ? timeout / 5 : -1;
    if (polls == 0) {
        killAndReap(pid);
        closeQuietly(keep);
        closeQuietly(spool);
        return nullptr;
    }
    int status = 0;
    for (int count = 0;;) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended < 0 && errno == EINTR)
            continue;
        if (ended < 0) {
            closeQuietly(keep);
            closeQuietly(spool);
            return nullptr;
        }
        if (ended > 0)
            break;
        if (reading && !drain(keep, spool)) {
            killAndReap(pid);
            closeQuietly(keep);
            closeQuietly(spool);
            return nullptr;
        }
        usleep(poll_interval_us);
        if (polls > 0 && ++count == polls) {
            killAndReap(pid);
            closeQuietly(keep);
            closeQuietly(spool);
            return nullptr;
        }
    }

    int streamFd = keep;
    if (reading) {
        // What the command wrote last; a grandchild that still holds the pipe
        // open cannot make this wait, as the read end does not block.
        const bool drained = drain(keep, spool);
        closeQuietly(keep);
        if (!drained || lseek(spool, 0, SEEK_SET) < 0) {
            closeQuietly(spool);
            return nullptr;
        }
        streamFd = spool;
    }
    if (streamFd >= maxfd) {
        closeQuietly(streamFd);
        errno = EMFILE;
        return nullptr;
    }
    FILE *fp = fdopen(streamFd, type);
    if (fp == nullptr) {
        closeQuietly(streamFd);
        return nullptr;
    }
    childpid[streamFd] = pid;
    childstatus[streamFd] = status;
    return fp;
}

int vpclose(FILE *fp)
{
    if (childpid == nullptr)
        return -1;
    const int fd = fileno(fp);
    if (fd < 0 || fd >= maxfd)
        return -1;
    if (childpid[fd] == 0)
        return -1;
    childpid[fd] = 0;
    // The child was collected before its stream was handed out; its status
    // was kept for this moment.
    const int status = childstatus[fd];
    if (std::fclose(fp) == EOF)
        return -1;
    return status;
}

int vsystem(const char *cmdstring)
{
    const pid_t pid = vfork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        nullInput();
        execl("/bin/sh", "sh", "-c", cmdstring, static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}
