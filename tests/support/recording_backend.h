#pragma once
// A command backend for flow tests: records every command in order and
// answers with scripted results instead of running anything (unless told to
// run the commands for real as well). Installs itself while it lives.

#include <QStringList>
#include <functional>

#include "exec/command_backend.h"

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

    // Status for a system() call; default 0 (exit code 0).
    std::function<int(const QString &)> systemResult;
    // Result and output of a runner call; default 1 with no output.
    std::function<int(const QString &, QString &, int)> executeResult;
    // Run every command for real too and answer the real results.
    bool passThrough = false;
    // The mount table; by default both shares mounted from the controller.
    QByteArray mounts;

    int system(const QString &command) override;
    int execute(const QString &command, QString &output, int timeout) override;
    QByteArray mountTable() override;

private:
    exec::CommandBackend *previous_;
};

// The mount table line of a share mounted from the controller.
QByteArray controllerMountLine(const QString &dir);
