// dravon.db kept and replaced the one way every flow does it, on both
// routes, with real files in the private root; and how the answers of the
// sqlite3 shell are read.

#include <QDir>
#include <QtTest>

#include "controller/site.h"
#include "database/dravon_db.h"
#include "database/sqlite_shell.h"
#include "exec/file_ops.h"
#include "support/flow_test.h"
#include "support/recording_backend.h"

Q_DECLARE_METATYPE(exec::Route)

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

// The entries beside dravon.db on the data share.
QStringList shareEntries()
{
    return QDir(nfs_space_dir).entryList(QDir::Files, QDir::Name);
}

}  // namespace

class DravonDbTest : public support::FlowTest {
    Q_OBJECT
protected:
    void prepare() override
    {
        support::writeFile(controller::database, QByteArray(200000, 'o'));
        support::writeFile(nfs_space_dir + QStringLiteral("/fresh.db"), QByteArray(150000, 'n'));
    }

private slots:
    void keepAndReplace_data()
    {
        QTest::addColumn<exec::Route>("route");
        QTest::addColumn<QString>("fault");  // the command that goes wrong: cp cut short, mv refused
        for (exec::Route route : {exec::Route::System, exec::Route::Runner}) {
            const char *r = route == exec::Route::System ? "system" : "runner";
            QTest::addRow("%s: all goes well", r) << route << "";
            QTest::addRow("%s: copies cut short by a full share", r) << route << "cp";
            QTest::addRow("%s: rename refused", r) << route << "mv";
        }
    }

    void keepAndReplace()
    {
        QFETCH(exec::Route, route);
        QFETCH(QString, fault);
        RecordingBackend commands;
        commands.runsDatabaseCopies = false;
        // Every command runs for real; a copy "cut short" leaves half a
        // file and still answers 0, as cp on a full NFS share may.
        auto run = [&](const QString &command) {
            if (fault == QLatin1String("mv") && command.startsWith(QLatin1String("/bin/mv ")))
                return exec::CommandResult::exited(1);
            const exec::CommandResult result = exec::realBackend().execute(command, -1);
            if (fault == QLatin1String("cp") && command.startsWith(QLatin1String("/bin/cp "))) {
                const QString copy = command.section(QLatin1Char(' '), -1);
                QFile::resize(copy, QFileInfo(copy).size() / 2);
            }
            return result;
        };
        commands.systemResult = run;
        commands.executeResult = [&](const QString &command, int) { return run(command); };

        const QString kept = database::keep(QStringLiteral("before_test"), route);
        const bool placed = database::replaceWith(nfs_space_dir + QStringLiteral("/fresh.db"), QStringLiteral("testing"), route);
        for (const RecordingBackend::Call &call : commands.calls)
            QCOMPARE(call.viaSystem, route == exec::Route::System);

        if (fault.isEmpty()) {
            QVERIFY(QRegularExpression(QStringLiteral("^/home/ostrel/nfs_space/dravon\\.db\\.before_test\\.\\d{8}_\\d{6}$"))
                        .match(kept).hasMatch());
            QCOMPARE(contents(kept), QByteArray(200000, 'o'));
            QVERIFY(placed);
            QCOMPARE(contents(controller::database), QByteArray(150000, 'n'));
        } else {
            // No half copy is kept or put in place: the database is as it was.
            QVERIFY(fault == QLatin1String("mv") || kept.isEmpty());
            QVERIFY(!placed);
            QCOMPARE(contents(controller::database), QByteArray(200000, 'o'));
        }
        // The temporary name never stays behind.
        QVERIFY2(!shareEntries().contains(QStringLiteral("dravon.db.testing")), qPrintable(shareEntries().join(' ')));
    }

    void shellAnswers_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ended");
        QTest::addColumn<bool>("passed");   // integrity check
        QTest::addColumn<int>("version");
        QTest::newRow("ok") << "ok\n" << true << true << -1;
        QTest::newRow("ok, Windows line end") << "ok\r\n" << true << true << -1;
        QTest::newRow("ok, but stopped at the limit") << "" << false << false << -1;
        QTest::newRow("a fault naming an index with ok in it") << "row 1 missing from index lookup_idx\n" << true
                                                             << false << -1;
        QTest::newRow("version 3.40.1") << "3.40.1 2022-12-28 14:03:47 abc\n" << true << false << 3040;
        QTest::newRow("version 3.37.0") << "3.37.0 2021-11-27\n" << true << false << database::safe_shell_version;
        QTest::newRow("no version") << "Error: unknown option: -version\n" << true << false << -1;
    }

    void shellAnswers()
    {
        QFETCH(QString, line);
        QFETCH(bool, ended);
        QFETCH(bool, passed);
        QFETCH(int, version);
        const exec::CommandResult result = ended ? exec::CommandResult::exited(0, line) : exec::CommandResult::notEnded();
        QCOMPARE(database::integrityPassed(result), passed);
        QCOMPARE(database::shellVersion(line), version);
    }

    void timeLimitGrowsWithTheDatabase()
    {
        QCOMPARE(database::shellTimeLimit(0), 120000);
        QCOMPARE(database::shellTimeLimit(-5), 120000);
        // Some 24 minutes for 200 MB; no overflow for a file past 2 GB.
        QVERIFY(qAbs(database::shellTimeLimit(200 * 1000 * 1000) - 24 * 60000) < 60000);
        QVERIFY(database::shellTimeLimit(qint64(1) << 40) > 0);
    }
};

PENDANT_FLOW_TEST_MAIN(DravonDbTest)
#include "test_dravon_db.moc"
