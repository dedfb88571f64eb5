// The stick's read-ahead, lowered by the launcher for the start, is written
// back once the tool's first window is on the screen, and only a disk's
// read-ahead setting is ever written.

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "app/stick_read_ahead.h"

class StickReadAheadTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("PENDANT_STICK_READ_AHEAD"); }

    void writtenBackAfterFirstWindow_data()
    {
        QTest::addColumn<QString>("file");   // the setting's file name in a scratch queue/ folder
        QTest::addColumn<QString>("named");  // the variable, %1 for the file's path; "<unset>"
        QTest::addColumn<QString>("after");  // the file's content once the window is up

        QTest::newRow("named by the launcher") << "read_ahead_kb" << "%1=128" << "128";
        QTest::newRow("a large value") << "read_ahead_kb" << "%1=4096" << "4096";
        QTest::newRow("unset") << "read_ahead_kb" << "<unset>" << "8";
        QTest::newRow("another setting") << "max_sectors_kb" << "%1=128" << "8";
        QTest::newRow("not a number") << "read_ahead_kb" << "%1=128;reboot" << "8";
        QTest::newRow("no value") << "read_ahead_kb" << "%1" << "8";
    }

    void writtenBackAfterFirstWindow()
    {
        QFETCH(QString, file);
        QFETCH(QString, named);
        QFETCH(QString, after);
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        const QString path = scratch.filePath(file);
        QFile setting(path);
        QVERIFY(setting.open(QIODevice::WriteOnly));
        setting.write("8");
        setting.close();
        if (named != QLatin1String("<unset>"))
            qputenv("PENDANT_STICK_READ_AHEAD", QFile::encodeName(named.arg(path)));

        app::restoreStickReadAheadAfterFirstWindow();
        QCoreApplication::processEvents();
        QVERIFY(setting.open(QIODevice::ReadOnly));
        QCOMPARE(setting.readAll(), QByteArray("8"));  // not before a window is up
        setting.close();

        QLabel window(QStringLiteral("升级"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);
        QVERIFY(setting.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(setting.readAll()), after);
    }
};

QTEST_MAIN(StickReadAheadTest)
#include "test_stick_read_ahead.moc"
