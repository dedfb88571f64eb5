// The file operations on real files in a scratch folder, on both routes:
// what lies where afterwards, and that every command goes the route asked.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

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

    // What lies at a name: "file", "folder" (holding x), "link" (to a
    // folder elsewhere holding x), "filelink" (to a file elsewhere), "none".
    void lay(const QString &name, const QString &kind, const QByteArray &text)
    {
        if (kind == QLatin1String("file"))
            support::writeFile(at(name), text);
        else if (kind == QLatin1String("folder"))
            support::writeFile(at(name + QStringLiteral("/x")), text);
        else if (kind == QLatin1String("link")) {
            support::writeFile(at(name + QStringLiteral(".linked/x")), text);
            QVERIFY(QFile::link(at(name + QStringLiteral(".linked")), at(name)));
        } else if (kind == QLatin1String("filelink")) {
            support::writeFile(at(name + QStringLiteral(".linked")), text);
            QVERIFY(QFile::link(at(name + QStringLiteral(".linked")), at(name)));
        }
    }

    void replaceByRename_data()
    {
        QTest::addColumn<exec::Route>("route");
        QTest::addColumn<QString>("make");    // what lies there before, target then fresh
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<exec::Replacement>("outcome");
        for (exec::Route route : {exec::Route::System, exec::Route::Runner}) {
            const char *r = route == exec::Route::System ? "system" : "runner";
            QTest::addRow("%s: file over file", r) << route << "file file" << "" << exec::Replacement::Placed;
            QTest::addRow("%s: file where none was", r) << route << "none file" << "" << exec::Replacement::Placed;
            QTest::addRow("%s: file over a link to one: the link is replaced", r)
                << route << "filelink file" << "" << exec::Replacement::Placed;
            QTest::addRow("%s: folder over folder", r) << route << "folder folder" << "1" << exec::Replacement::Placed;
            QTest::addRow("%s: folder over a link to one: the link is replaced, not moved into", r)
                << route << "link folder" << "1" << exec::Replacement::Placed;
            QTest::addRow("%s: folder, fresh one missing: old one back", r)
                << route << "folder none" << "1" << exec::Replacement::Unchanged;
            QTest::addRow("%s: folder without a stamp to set it aside: left alone", r)
                << route << "folder folder" << "" << exec::Replacement::Unchanged;
        }
    }

    // The path shows the new content exactly when the outcome says so; what
    // a link pointed to is never touched; nothing set aside is left over,
    // neither by this run nor by an earlier one.
    void replaceByRename()
    {
        QFETCH(exec::Route, route);
        QFETCH(QString, make);
        QFETCH(QString, stamp);
        QFETCH(exec::Replacement, outcome);
        const bool placed = outcome == exec::Replacement::Placed;
        const QStringList kinds = make.split(QLatin1Char(' '));
        lay(QStringLiteral("target"), kinds[0], "old");
        lay(QStringLiteral("fresh"), kinds[1], "new");
        const bool folder = kinds[0] == QLatin1String("folder") || kinds[0] == QLatin1String("link");
        if (folder)
            lay(QStringLiteral("target.replaced.0"), QStringLiteral("folder"), "replaced by an earlier run");
        RecordingBackend commands;
        commands.passThrough = true;
        QCOMPARE(exec::replaceByRename(route, at("fresh"), at("target"), stamp), outcome);
        QVERIFY(allWent(commands, route) || (!placed && stamp.isEmpty()));
        const bool folderAfter = placed ? kinds[1] == QLatin1String("folder") : folder;
        QCOMPARE(contents(folderAfter ? at("target/x") : at("target")), QByteArray(placed ? "new" : "old"));
        QCOMPARE(QFileInfo(at("target")).isSymLink(), !placed && kinds[0].contains(QLatin1String("link")));
        if (kinds[0].contains(QLatin1String("link")))
            QCOMPARE(contents(at(kinds[0] == QLatin1String("link") ? "target.linked/x" : "target.linked")),
                     QByteArray("old"));
        QCOMPARE(exec::setAside(at("target")).size(), folder && !placed ? 1 : 0);
        QCOMPARE(exec::present(at("fresh")), !placed && kinds[1] != QLatin1String("none"));
    }

    // A copy takes the owner, group and mode of what it replaces, entry by
    // entry below a folder; entries with no counterpart of their kind keep
    // what the copy gave them.
    void adoptOwnerAndMode()
    {
        support::writeFile(at("old/db"));
        // Under the emulator's user namespace only root is mapped.
        if (::chown(QFile::encodeName(at("old/db")).constData(), 1000, 1001) != 0)
            QSKIP("owners other than root cannot be set here");
        support::writeFile(at("old/bin/prog"));
        support::writeFile(at("old/was_file"));
        for (const char *path : {"old", "old/db", "old/bin", "old/bin/prog", "old/was_file"})
            QVERIFY(::chown(QFile::encodeName(at(path)).constData(), 1000, 1001) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("old/db")).constData(), 0664) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("old/bin/prog")).constData(), 04750) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("old/bin")).constData(), 0710) == 0);
        for (const char *path : {"new/db", "new/bin/prog", "new/bin/added", "new/was_file/x"})
            support::writeFile(at(path));
        exec::adoptOwnerAndMode(at("new"), at("old"));
        struct Expect {
            const char *path;
            uid_t uid;
            mode_t mode;
        };
        for (const Expect &e : {Expect{"new/db", 1000, 0664}, Expect{"new/bin", 1000, 0710},
                                Expect{"new/bin/prog", 1000, 04750}, Expect{"new/bin/added", 0, 0644},
                                Expect{"new/was_file", 0, 0755}}) {
            struct stat st;
            QVERIFY(::stat(QFile::encodeName(at(e.path)).constData(), &st) == 0);
            QCOMPARE(st.st_uid, e.uid);
            QCOMPARE(st.st_gid, e.uid ? gid_t(1001) : gid_t(0));
            QCOMPARE(st.st_mode & 07777, e.mode);
        }
    }

    // A run cut off between a folder's two renames: the newest copy set
    // aside goes back; a folder that is there is left alone.
    void putBackSetAside()
    {
        lay(QStringLiteral("target.replaced.20260101_000000"), QStringLiteral("folder"), "older");
        lay(QStringLiteral("target.replaced.20260102_000000"), QStringLiteral("folder"), "newest");
        QVERIFY(exec::putBackSetAside(exec::Route::Runner, at("target")));
        QCOMPARE(contents(at("target/x")), QByteArray("newest"));
        QCOMPARE(exec::setAside(at("target")), QStringList{at("target.replaced.20260101_000000")});
        QVERIFY(exec::putBackSetAside(exec::Route::Runner, at("target")));
        QCOMPARE(contents(at("target/x")), QByteArray("newest"));
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
