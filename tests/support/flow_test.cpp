#include "support/flow_test.h"

#include "exec/commands.h"

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

void FlowTest::init()
{
    PENDANT_REQUIRE_PRIVATE_ROOT();
    clearPrivateRoot();
    prepare();
}

void FlowTest::cleanup()
{
    exec::setBackend(nullptr);
}

}  // namespace support
