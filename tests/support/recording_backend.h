#pragma once
// A command backend for flow tests: records every command in order and
// answers with scripted results instead of running anything (unless told to
// run the commands for real as well). Installs itself while it lives. A
// system() copy or rename of dravon.db within the data share that is to
// succeed is run for real in the private root: the tool checks the copies
// it keeps on disk.

#include <QStringList>
#include <functional>

#include "controller/site.h"
#include "exec/commands.h"
#include "exec/real_backend.h"

class RecordingBackend : public exec::CommandBackend {
public:
    struct Call {
        bool viaSystem;  // system() rather than the command runner
        QString command;
        int timeout;     // runner only
    };

    RecordingBackend();
    ~RecordingBackend() override;

    // Every command, in order; runner calls are written "[timeout] command".
    QStringList commands() const;
    QList<Call> calls;

    // How a system() call ends; default exit code 0.
    std::function<exec::CommandResult(const QString &)> systemResult;
    // How a runner call ends; default exit code 0 with no output.
    std::function<exec::CommandResult(const QString &, int)> executeResult;
    // Run every command for real too and answer the real results.
    bool passThrough = false;
    // Run a system() copy or rename of dravon.db within the data share for
    // real when its scripted result is success (see above).
    bool runsDatabaseCopies = true;
    // The mount table; by default both shares mounted from the controller.
    QByteArray mounts;

    exec::CommandResult system(const QString &command) override;
    exec::CommandResult execute(const QString &command, int timeout) override;
    QByteArray mountTable() override;

private:
    exec::CommandBackend *previous_;
};

// A result given as system()'s raw status: -1 no shell, else a wait status.
exec::CommandResult fromSystemStatus(int status);

// The mount table line of a share mounted from the controller.
QByteArray controllerMountLine(const QString &dir);
