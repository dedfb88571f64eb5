#pragma once
// The backend that really runs the commands: each one as a child process
// (ChildProcess), and the mount table from /proc.

#include "exec/command_backend.h"

namespace exec {

class RealBackend : public CommandBackend {
public:
    CommandResult system(const QString &command) override;
    CommandResult execute(const QString &command, int timeout) override;
    QByteArray mountTable() override;
};

// The one real backend of the process.
CommandBackend &realBackend();

}  // namespace exec
