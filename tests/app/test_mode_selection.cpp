// The job is chosen by a "rescue_mode" entry beside the executable.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "app/mode_selection.h"

class ModeSelectionTest : public QObject {
    Q_OBJECT
private slots:
    void markerEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("isDirectory");
        QTest::addColumn<bool>("rescue");
        QTest::newRow("no entry") << QString() << false << false;
        QTest::newRow("file") << "rescue_mode" << false << true;
        QTest::newRow("directory") << "rescue_mode" << true << true;
        QTest::newRow("capitals") << "RESCUE_MODE" << false << true;
        QTest::newRow("mixed case directory") << "Rescue_Mode" << true << true;
        QTest::newRow("hidden") << ".rescue_mode" << false << false;
        QTest::newRow("extension") << "rescue_mode.txt" << false << false;
        QTest::newRow("prefix") << "no_rescue_mode" << false << false;
    }

    void markerEntries()
    {
        QFETCH(QString, entry);
        QFETCH(bool, isDirectory);
        QFETCH(bool, rescue);
        QTemporaryDir toolDir;
        QFile tool(toolDir.filePath(QStringLiteral("pendant-tool")));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        if (!entry.isEmpty()) {
            if (isDirectory) {
                QVERIFY(QDir(toolDir.path()).mkdir(entry));
            } else {
                QFile marker(toolDir.filePath(entry));
                QVERIFY(marker.open(QIODevice::WriteOnly));
            }
        }
        QCOMPARE(rescueMarkerPresent(toolDir.path()), rescue);
    }

    void toolDirectoryWithBlanks()
    {
        QTemporaryDir base;
        const QString dir = base.filePath(QStringLiteral("my stick/工具"));
        QVERIFY(QDir().mkpath(dir + QStringLiteral("/rescue_mode")));
        QVERIFY(rescueMarkerPresent(dir));
    }
};

QTEST_GUILESS_MAIN(ModeSelectionTest)
#include "test_mode_selection.moc"
