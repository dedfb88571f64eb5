#pragma once
// A popen() that starts the child with vfork() and does not hand out the
// stream before the child has ended, killing it (with every process it
// started) when a time limit in milliseconds runs out. Built on
// ChildProcess, which says how children are started, waited for and ended.
//
// What is here for what: vsystem() is the system() of the tool's system()
// route (the upgrade, the utilities). The stream interface (vpopen, vpclose,
// open_max) is the pipe the pendant's own software offers its programs, kept
// with its names and behaviour for them and measured by
// tools/bench-runner.sh; none of the tool's own commands goes through it:
// the command runner starts its children with ChildProcess directly (see
// real_backend.cpp).

#include <cstddef>
#include <cstdio>

// How much of a command's output a stream of vpopen() holds: the first
// 64 KiB, what one pipe holds. The rest is read and dropped while the
// command runs, so a command that writes without end neither stalls nor
// fills memory. Every command the tool runs prints at most a few lines.
constexpr std::size_t vpopen_stream_bytes = 65536;

// The highest number of descriptors a process may have open; asked once and
// cached.
int open_max();

// Runs `cmdstring` with /bin/sh -c. `type` is "r" (read the command's
// standard output; its standard input is /dev/null) or "w" (write to its
// standard input; the stream is handed out once the command has ended).
// `timeout` is a limit in milliseconds on the monotonic clock, counted from
// the start; negative means no limit, and a limit below 5 ms starts nothing.
// Answers null on failure or time-out (the command's process group is then
// killed and the shell collected). In mode "r" the stream holds the first
// vpopen_stream_bytes of the output.
FILE *vpopen(const char *cmdstring, const char *type, int timeout);

// Closes a stream of vpopen(). Answers the child's wait status, kept when
// vpopen() collected it, or -1 for a stream vpopen() did not hand out.
int vpclose(FILE *fp);

// system() with /dev/null as the command's standard input: runs `cmdstring`
// with /bin/sh -c, waits for it and answers its wait status (-1 when no
// child could be started).
int vsystem(const char *cmdstring);
