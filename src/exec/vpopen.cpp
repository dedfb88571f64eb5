#include "exec/vpopen.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "exec/child_process.h"

namespace {

int openmax = 0;              // cached open_max(); 0: not yet asked
pid_t *childpid = nullptr;    // per descriptor: the child whose stream uses it
int *childstatus = nullptr;   // per descriptor: that child's wait status
int maxfd = 0;                // entries of childpid

bool allocateTable()
{
    if (childpid != nullptr)
        return true;
    maxfd = open_max();
    if (maxfd <= 0)
        return false;
    childpid = static_cast<pid_t *>(std::calloc(maxfd, sizeof(pid_t)));
    childstatus = static_cast<int *>(std::calloc(maxfd, sizeof(int)));
    if (childpid == nullptr || childstatus == nullptr) {
        std::free(childpid);
        std::free(childstatus);
        childpid = nullptr;
        childstatus = nullptr;
        return false;
    }
    return true;
}

// An anonymous file holding `data`, read from its start; closed on exec, so
// that no later child inherits it.
int spoolOf(const std::string &data)
{
    int fd = memfd_create("vpopen", MFD_CLOEXEC);
    if (fd < 0) {
        FILE *tmp = std::tmpfile();
        if (!tmp)
            return -1;
        fd = fcntl(fileno(tmp), F_DUPFD_CLOEXEC, 0);
        std::fclose(tmp);
        if (fd < 0)
            return -1;
    }
    const char *next = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t written = write(fd, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            close(fd);
            return -1;
        }
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    if (lseek(fd, 0, SEEK_SET) < 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Wraps the stream's descriptor and records its child for vpclose().
FILE *handOut(int fd, const char *type, pid_t pid, int status)
{
    if (fd < 0)
        return nullptr;
    if (fd >= maxfd) {
        close(fd);
        errno = EMFILE;
        return nullptr;
    }
    FILE *fp = fdopen(fd, type);
    if (fp == nullptr) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return nullptr;
    }
    childpid[fd] = pid;
    childstatus[fd] = status;
    return fp;
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
    if (!allocateTable())
        return nullptr;

    exec::ChildProcess child(reading ? vpopen_stream_bytes : 0);
    if (!child.start(cmdstring, reading ? exec::ChildProcess::Channel::Output : exec::ChildProcess::Channel::Input,
                     timeout))
        return nullptr;
    const pid_t pid = child.pid();
    if (!child.wait())
        return nullptr;
    const int fd = reading ? spoolOf(child.output()) : child.releaseInput();
    return handOut(fd, type, pid, child.status());
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
    exec::ChildProcess child;
    if (!child.start(cmdstring, exec::ChildProcess::Channel::Inherit, -1) || !child.wait())
        return -1;
    return child.status();
}
