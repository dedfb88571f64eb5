#pragma once
// One shell command as a child process, at the bottom of the command layer.
//
// The child is started with vfork() (the panel copies no address space) in
// a process group of its own (setpgid() in the child, before exec), with
// /dev/null as its standard input. vfork() rather than posix_spawn(): older
// C libraries, as a pendant's toolchain may have, implement posix_spawn()
// with a full fork(). Waiting
// for it runs against a deadline on the monotonic clock, and its standard
// output, when captured, is read as it arrives: the first bytes are kept,
// the rest is read and dropped, so a command that writes without end never
// stalls and never fills memory. When the deadline passes, the whole group
// is killed (sh -c does not hand over to the command it runs, so killing
// the shell alone would leave the command running) and the shell collected.

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace exec {

class ChildProcess {
public:
    // Where the child's standard streams go.
    enum class Channel {
        Inherit,  // output where the tool's goes
        Output,   // output into a pipe read by wait()
        Input,    // input from a pipe the caller writes to (see releaseInput)
    };

    // Limits shorter than this cannot even start a shell: such a command is
    // never started and counts as ended at its limit.
    static constexpr int shortest_limit_ms = 5;

    // `keep`: how many bytes of captured output to keep.
    explicit ChildProcess(std::size_t keep = 0);
    ~ChildProcess();  // kills the group of a child still running and collects it
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // Starts `command` with /bin/sh -c under a limit of `timeoutMs`
    // milliseconds from now (negative: none). Answers false when no child
    // was started (errno tells why; ETIME for a limit below
    // shortest_limit_ms).
    bool start(const char *command, Channel channel, int timeoutMs);

    // Waits until the child has ended, reading its output meanwhile.
    // Answers true when it ended by itself; false when the limit ran out
    // (its group is then killed and the shell collected) or waiting failed.
    bool wait();

    pid_t pid() const { return started_; }                // the shell's process id, once started
    int status() const { return status_; }                // wait status, after wait() answered true
    const std::string &output() const { return output_; }  // the first `keep` bytes of its output

    // Channel::Input: hands the write end of the child's standard input to
    // the caller, who closes it.
    int releaseInput();

private:
    void readAvailable();
    void killGroup();
    void closePipe();

    std::size_t keep_;
    pid_t started_ = -1;   // the shell
    pid_t pid_ = -1;       // the shell, until collected
    int pipe_ = -1;        // the tool's end of the pipe
    int pidfd_ = -1;       // readable once the shell has ended (-1: kernel without pidfd)
    Channel channel_ = Channel::Inherit;
    long long deadlineNs_ = -1;  // on the monotonic clock; -1: none
    int status_ = 0;
    std::string output_;
};

}  // namespace exec
