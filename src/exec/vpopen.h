#pragma once
// A popen() that starts the child with vfork() and does not hand out the
// stream before the child has ended, killing it when a time limit in
// milliseconds runs out.

#include <cstdio>

// The highest number of descriptors a process may have open; asked once and
// cached.
int open_max();

// Runs `cmdstring` with /bin/sh -c. `type` is "r" (read the command's
// standard output; its standard input is /dev/null) or "w" (write to its
// standard input). `timeout` is a limit
// in milliseconds, checked in polls 5 ms apart; negative means no limit.
// Answers null on failure or time-out (the child is then killed and
// collected). In mode "r" the output is read while the child runs, so a
// command that writes more than a pipe holds never stalls; the stream
// answers all of it.
FILE *vpopen(const char *cmdstring, const char *type, int timeout);

// Closes a stream of vpopen(). Answers the child's wait status, kept when
// vpopen() collected it, or -1 for a stream vpopen() did not hand out.
int vpclose(FILE *fp);

// system() with /dev/null as the command's standard input: runs `cmdstring`
// with /bin/sh -c, waits for it and answers its wait status (-1 when no
// child could be started).
int vsystem(const char *cmdstring);
