/* Preloaded into the test programs of an ARM build, which run under
 * qemu-user. Qt's QProcess starts children through forkfd, which uses
 * clone(CLONE_PIDFD) when waitid(P_PIDFD, -1, ...) fails with EBADF. Under
 * qemu-user 7.2 (Debian 12) that probe reaches the host kernel and
 * succeeds, but the clone is not emulated: QProcess then reports process
 * id -1 and a crash, and may later kill(-1, SIGKILL). Here the probe fails
 * as on a kernel without pidfds, so forkfd uses plain fork(), which qemu
 * emulates. Every other system call passes through unchanged.
 * The library removes itself from LD_PRELOAD so that the programs a test
 * starts (the workstation's /bin/sh among them) do not try to load it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>

#define P_PIDFD_ID 3

long syscall(long number, ...)
{
    static long (*real)(long, ...);
    long a[6];
    va_list ap;
    va_start(ap, number);
    for (int i = 0; i < 6; ++i)
        a[i] = va_arg(ap, long);
    va_end(ap);
    if (number == SYS_waitid && a[0] == P_PIDFD_ID) {
        errno = EINVAL;
        return -1;
    }
    if (!real)
        real = (long (*)(long, ...))dlsym(RTLD_NEXT, "syscall");
    return real(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

__attribute__((constructor)) static void leaveChildrenAlone(void)
{
    const char *preload = getenv("LD_PRELOAD");
    if (!preload)
        return;
    char *kept = calloc(strlen(preload) + 1, 1);
    char *list = strdup(preload);
    if (!kept || !list) {
        free(kept);
        free(list);
        return;
    }
    for (char *save = NULL, *entry = strtok_r(list, ": ", &save); entry; entry = strtok_r(NULL, ": ", &save)) {
        if (strstr(entry, "qemu_fork"))
            continue;
        if (*kept)
            strcat(kept, ":");
        strcat(kept, entry);
    }
    if (*kept)
        setenv("LD_PRELOAD", kept, 1);
    else
        unsetenv("LD_PRELOAD");
    free(kept);
    free(list);
}
