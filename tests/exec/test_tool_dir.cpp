// The folder in which the tool looks for the rescue_mode marker and sqlite3:
// the one the stick's launcher names, or else the program's own.

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "exec/tool_dir.h"

class ToolDirTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("PENDANT_TOOL_DIR"); }

    void folderInUse_data()
    {
        QTest::addColumn<QString>("named");  // "<unset>", or relative to a scratch folder
        QTest::addColumn<QString>("expected");  // "<own>" or relative to the scratch folder

        QTest::newRow("started directly") << "<unset>" << "<own>";
        QTest::newRow("empty name") << "" << "<own>";
        QTest::newRow("the launcher's folder") << "stick" << "stick";
        QTest::newRow("a folder with blanks and Chinese") << u8"U 盘 $(x)" << u8"U 盘 $(x)";
        QTest::newRow("a trailing slash") << "stick/" << "stick";
        QTest::newRow("no such folder") << "missing" << "<own>";
        QTest::newRow("a file, not a folder") << "stick/pendant-tool" << "<own>";
    }

    void folderInUse()
    {
        QFETCH(QString, named);
        QFETCH(QString, expected);
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("stick")));
        QVERIFY(QDir(scratch.path()).mkpath(QString::fromUtf8(u8"U 盘 $(x)")));
        QFile launcher(scratch.filePath(QStringLiteral("stick/pendant-tool")));
        QVERIFY(launcher.open(QIODevice::WriteOnly));
        launcher.close();

        if (named != QLatin1String("<unset>"))
            qputenv("PENDANT_TOOL_DIR", QFile::encodeName(named.isEmpty() ? named : scratch.filePath(named)));

        const QString want = expected == QLatin1String("<own>") ? QCoreApplication::applicationDirPath()
                                                                : scratch.filePath(expected);
        QCOMPARE(exec::toolDir(), want);
    }

    void relativeNameIsMadeAbsolute()
    {
        QTemporaryDir scratch;
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("stick")));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(scratch.path()));
        qputenv("PENDANT_TOOL_DIR", "stick");
        const QString found = exec::toolDir();
        QDir::setCurrent(before);
        QCOMPARE(found, QDir(scratch.path()).absoluteFilePath(QStringLiteral("stick")));
    }
};

QTEST_GUILESS_MAIN(ToolDirTest)
#include "test_tool_dir.moc"
