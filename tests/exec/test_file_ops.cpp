// The file operations on real files in a scratch folder, on both routes:
// what lies where afterwards, and that every command goes the route asked.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "exec/file_ops.h"
#include "support/private_root.h"
#include "support/recording_backend.h"

Q_DECLARE_METATYPE(exec::Route)
Q_DECLARE_METATYPE(exec::Replacement)

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

}  // namespace

class FileOpsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    QString at(const QString &name) const { return dir.filePath(name); }

    // Every command of `commands` went `route`.
    static bool allWent(const RecordingBackend &commands, exec::Route route)
    {
        for (const RecordingBackend::Call &call : commands.calls)
            if (call.viaSystem != (route == exec::Route::System))
                return false;
        return !commands.calls.isEmpty();
    }

private slots:
    void init()
    {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void replaceByRename_data()
    {
        QTest::addColumn<exec::Route>("route");
        QTest::addColumn<QString>("make");    // what lies there before: file/folder/none for target and fresh
        QTest::addColumn<QString>("aside");
        QTest::addColumn<exec::Replacement>("outcome");
        QTest::addColumn<QByteArray>("after");  // content of target/x or target afterwards
        for (exec::Route route : {exec::Route::System, exec::Route::Runner}) {
            const char *r = route == exec::Route::System ? "system" : "runner";
            QTest::addRow("%s: file over file", r) << route << "file file" << "" << exec::Replacement::Placed << QByteArray("new");
            QTest::addRow("%s: file where none was", r) << route << "none file" << "" << exec::Replacement::Placed << QByteArray("new");
            QTest::addRow("%s: folder over folder", r) << route << "folder folder" << "aside" << exec::Replacement::Placed << QByteArray("new");
            QTest::addRow("%s: folder, fresh one missing: old one back", r)
                << route << "folder none" << "aside" << exec::Replacement::Unchanged << QByteArray("old");
            QTest::addRow("%s: folder without a place aside: left alone", r)
                << route << "folder folder" << "" << exec::Replacement::Unchanged << QByteArray("old");
        }
    }

    void replaceByRename()
    {
        QFETCH(exec::Route, route);
        QFETCH(QString, make);
        QFETCH(QString, aside);
        QFETCH(exec::Replacement, outcome);
        const bool placed = outcome == exec::Replacement::Placed;
        QFETCH(QByteArray, after);
        const QStringList kinds = make.split(QLatin1Char(' '));
        auto lay = [](const QString &path, const QString &kind, const QByteArray &text) {
            if (kind == QLatin1String("file"))
                support::writeFile(path, text);
            else if (kind == QLatin1String("folder"))
                support::writeFile(path + QStringLiteral("/x"), text);
        };
        lay(at("target"), kinds[0], "old");
        lay(at("fresh"), kinds[1], "new");
        RecordingBackend commands;
        commands.passThrough = true;
        const QString asidePath = aside.isEmpty() ? QString() : at(aside);
        QCOMPARE(exec::replaceByRename(route, at("fresh"), at("target"), asidePath), outcome);
        QVERIFY(allWent(commands, route) || (!placed && aside.isEmpty()));
        QCOMPARE(contents(kinds[0] == QLatin1String("folder") ? at("target/x") : at("target")), after);
        QVERIFY(asidePath.isEmpty() || !exec::present(asidePath));
        QCOMPARE(exec::present(at("fresh")), !placed && kinds[1] != QLatin1String("none"));
    }

    void keepCopy_data()
    {
        QTest::addColumn<exec::Route>("route");
        QTest::addColumn<bool>("source");
        QTest::newRow("system: a whole copy") << exec::Route::System << true;
        QTest::newRow("runner: a whole copy") << exec::Route::Runner << true;
        QTest::newRow("runner: nothing to copy, nothing left") << exec::Route::Runner << false;
    }

    void keepCopy()
    {
        QFETCH(exec::Route, route);
        QFETCH(bool, source);
        if (source)
            support::writeFile(at("db"), QByteArray(100000, 'd'));
        RecordingBackend commands;
        commands.passThrough = true;
        QCOMPARE(exec::keepCopy(route, at("db"), at("db.kept")), source);
        QVERIFY(allWent(commands, route));
        QCOMPARE(exec::present(at("db.kept")), source);
        if (source)
            QCOMPARE(contents(at("db.kept")), contents(at("db")));
    }

    void removeAnswersWhetherAnythingIsLeft()
    {
        support::writeFile(at("tree/a/b"));
        QVERIFY(QFile::link(at("nowhere"), at("dangling")));
        for (const QString &name : {QStringLiteral("tree"), QStringLiteral("dangling"), QStringLiteral("absent")}) {
            QVERIFY(exec::remove(exec::Route::Runner, at(name)));
            QVERIFY(!exec::present(at(name)));
        }
    }
};

QTEST_GUILESS_MAIN(FileOpsTest)
#include "test_file_ops.moc"
