#include "support/flow_test.h"

namespace support {

namespace {
DebugCapture *capture = nullptr;
QtMessageHandler chained = nullptr;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (capture && type == QtDebugMsg)
        capture->lines.append(message);
    else if (chained)
        chained(type, context, message);
}
}  // namespace

DebugCapture::DebugCapture()
{
    previous_ = qInstallMessageHandler(handler);
    chained = previous_;
    capture = this;
}

DebugCapture::~DebugCapture()
{
    capture = nullptr;
    qInstallMessageHandler(previous_);
}

}  // namespace support
