#pragma once
// Shared set-up of flow tests: the private root, UTF-8 as the locale codec
// (as the tool's entry point makes it), and a capture of debug lines.

#include <QApplication>
#include <QStringList>
#include <QTextCodec>
#include <QtTest>

#include "support/private_root.h"

namespace support {

// Why the private root is missing; empty when the test runs inside it.
inline QString &privateRootProblem()
{
    static QString problem;
    return problem;
}

// Collects the text of every debug-level message while it lives.
class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    QStringList lines;

private:
    QtMessageHandler previous_;
};

}  // namespace support

#define PENDANT_REQUIRE_PRIVATE_ROOT()                                    \
    do {                                                                  \
        if (!support::privateRootProblem().isEmpty())                     \
            QSKIP(qPrintable(support::privateRootProblem()));             \
    } while (0)

// main() for a flow test: enters the private root before any thread exists.
#define PENDANT_FLOW_TEST_MAIN(TestClass)                                  \
    int main(int argc, char *argv[])                                       \
    {                                                                      \
        support::privateRootProblem() = support::enterPrivateRoot();       \
        QApplication app(argc, argv);                                      \
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF8"));  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                           \
        TestClass tc;                                                      \
        QTEST_SET_MAIN_SOURCE_PATH                                         \
        return QTest::qExec(&tc, argc, argv);                              \
    }
