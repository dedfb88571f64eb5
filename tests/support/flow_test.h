#pragma once
// Shared set-up of flow tests: the private root, the test base that empties
// it and resets the command backend, UTF-8 as the locale codec (as the
// tool's entry point makes it), and a capture of debug lines.

#include <QApplication>
#include <QStringList>
#include <QTextCodec>
#include <QtTest>

#include "support/private_root.h"

namespace support {

// A text of the tool as this source spells it (UTF-8).
inline QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

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

// The base of every flow test. Before each case: skips it without the
// private root, else empties the root and runs the test's own prepare().
// After each case: the real command backend is in place again, whatever a
// failed case left behind.
class FlowTest : public QObject {
    Q_OBJECT
protected:
    // What a test sets up for each of its cases, in the emptied root.
    virtual void prepare() {}

private slots:
    void init();
    void cleanup();
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
