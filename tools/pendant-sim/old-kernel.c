/* old-kernel: runs a command as on a kernel of an older release, as far
 * as system calls go: every call that Linux gained after RELEASE answers
 * ENOSYS, through a seccomp filter (libseccomp) that the command and all
 * its children inherit. pendant-sim compiles it on first use.
 *
 *   old-kernel RELEASE COMMAND [ARGS...]      (RELEASE such as 3.2 or 3.2.0)
 *
 * The table names each call with the release that brought it to x86_64
 * and ARM; qemu-user passes an emulated program's calls on to the
 * machine's kernel, so the filter answers those too. Calls this
 * libseccomp does not know are left alone. Exit status: COMMAND's; 125
 * when the filter cannot be set up. */
#include <errno.h>
#include <seccomp.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static const struct {
    const char *name;
    int major, minor;
} calls[] = {
    {"kcmp", 3, 5}, {"finit_module", 3, 8}, {"sched_setattr", 3, 14}, {"sched_getattr", 3, 14},
    {"renameat2", 3, 15}, {"seccomp", 3, 17}, {"getrandom", 3, 17}, {"memfd_create", 3, 17},
    {"kexec_file_load", 3, 17}, {"bpf", 3, 18}, {"execveat", 3, 19}, {"userfaultfd", 4, 3},
    {"membarrier", 4, 3}, {"mlock2", 4, 4}, {"copy_file_range", 4, 5}, {"preadv2", 4, 6},
    {"pwritev2", 4, 6}, {"pkey_mprotect", 4, 9}, {"pkey_alloc", 4, 9}, {"pkey_free", 4, 9},
    {"statx", 4, 11}, {"io_pgetevents", 4, 18}, {"rseq", 4, 18}, {"pidfd_send_signal", 5, 1},
    {"io_uring_setup", 5, 1}, {"io_uring_enter", 5, 1}, {"io_uring_register", 5, 1},
    {"open_tree", 5, 2}, {"move_mount", 5, 2}, {"fsopen", 5, 2}, {"fsconfig", 5, 2},
    {"fsmount", 5, 2}, {"fspick", 5, 2}, {"pidfd_open", 5, 3}, {"clone3", 5, 3},
    {"openat2", 5, 6}, {"pidfd_getfd", 5, 6}, {"faccessat2", 5, 8}, {"close_range", 5, 9},
    {"process_madvise", 5, 10}, {"epoll_pwait2", 5, 11}, {"mount_setattr", 5, 12},
    {"landlock_create_ruleset", 5, 13}, {"landlock_add_rule", 5, 13},
    {"landlock_restrict_self", 5, 13}, {"quotactl_fd", 5, 14}, {"memfd_secret", 5, 14},
    {"process_mrelease", 5, 15}, {"futex_waitv", 5, 16}, {"set_mempolicy_home_node", 5, 17},
    {"cachestat", 6, 5}, {"fchmodat2", 6, 6}, {"map_shadow_stack", 6, 6},
};

int main(int argc, char *argv[])
{
    int major = 0, minor = 0;
    if (argc < 3 || sscanf(argv[1], "%d.%d", &major, &minor) != 2) {
        fprintf(stderr, "usage: old-kernel RELEASE COMMAND [ARGS...]\n");
        return 125;
    }
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
    if (!ctx) {
        fprintf(stderr, "old-kernel: seccomp_init failed\n");
        return 125;
    }
    int refused = 0;
    for (size_t i = 0; i < sizeof calls / sizeof calls[0]; ++i) {
        if (calls[i].major < major || (calls[i].major == major && calls[i].minor <= minor))
            continue;
        const int nr = seccomp_syscall_resolve_name(calls[i].name);
        if (nr == __NR_SCMP_ERROR)
            continue;
        if (seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), nr, 0) != 0) {
            fprintf(stderr, "old-kernel: cannot refuse %s\n", calls[i].name);
            return 125;
        }
        ++refused;
    }
    if (seccomp_load(ctx) != 0) {
        fprintf(stderr, "old-kernel: seccomp_load failed\n");
        return 125;
    }
    seccomp_release(ctx);
    execvp(argv[2], argv + 2);
    perror("old-kernel: exec");
    return 127;
}
