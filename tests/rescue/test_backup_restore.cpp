// The backup restore with real commands in a private mount namespace: what
// the chooser lists, what each choice does to the workspace and database on
// the share, and that a failed step leaves them as they were.

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QGroupBox>
#include <QtTest>
#include <stdio.h>

#include "exec/commands.h"
#include "exec/file_ops.h"
#include "rescue/backup_restore.h"
#include "rescue/recoverydialog.h"
#include "support/dialog_robot.h"
#include "support/flow_test.h"
#include "support/recording_backend.h"
#include "support/sample_database.h"

namespace {

const QString share = QStringLiteral("/home/ostrel/nfs_space");
const QString live = QStringLiteral("/home/ostrel/nfs_space/workspace");
const QString projects = QStringLiteral("/home/ostrel/nfs_space/workspace_backup");
const QString databases = QStringLiteral("/home/ostrel/nfs_space/database_backup");
const QString db = QStringLiteral("/home/ostrel/nfs_space/dravon.db");

using support::u8;

// Every file below `dir`, by relative path, with its content.
QMap<QString, QByteArray> tree(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(dir).relativeFilePath(path), file.readAll());
    }
    return files;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void makeProject(const QString &dir, const QString &name)
{
    support::writeFile(dir + QStringLiteral("/marker"), name.toUtf8());
    support::writeFile(dir + QStringLiteral("/programs/main.prg"), "MoveJ p" + name.toUtf8());
}

void makeDatabase(const QString &path, const QString &tag, bool complete = true)
{
    QStringList tables = support::requiredTablesFromTools();
    if (!complete)
        tables.removeAll(QStringLiteral("serial_para_t"));
    support::writeDatabase(path, tables);
    support::runSql(path, {QStringLiteral("INSERT INTO tool_t (name, value) VALUES ('%1', '')").arg(tag)});
}

// Entries of the share beside the live workspace and database, such as
// leftovers of a restore.
QStringList shareEntries()
{
    return QDir(share).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QStringList keptDatabases()
{
    return QDir(share).entryList({QStringLiteral("dravon.db.before_restore.*")}, QDir::Files);
}

const QString doneText = u8("恢复完成，请重启机器人。");
const QString workspaceFailed = u8("恢复失败，工作空间未改变。");
const QString databaseFailed = u8("恢复失败，数据库未改变。");

}  // namespace

class BackupRestoreTest : public support::FlowTest {
    Q_OBJECT
protected:
    void prepare() override
    {
        makeProject(live, QStringLiteral("live"));
        support::writeFile(live + QStringLiteral("/only_in_live"));
        makeDatabase(db, QStringLiteral("live"));
    }

private slots:
    void listing_data()
    {
        QTest::addColumn<QStringList>("projectEntries");  // empty list plus "-": no folder
        QTest::addColumn<QStringList>("databaseEntries");
        QTest::addColumn<QStringList>("projectList");
        QTest::addColumn<QStringList>("databaseList");
        const QStringList none = {QStringLiteral("-")};
        QTest::newRow("newest first, pattern without regard to case")
            << QStringList{"workspace_20230101", "workspace_20240101", "Workspace_x", "ws_x", "workspace",
                           ".workspace_hidden", "database_1"}
            << QStringList{"database_20230101", "database_20240101", "workspace_1", "dravon.db"}
            << QStringList{"workspace_20240101", "workspace_20230101", "Workspace_x"}
            << QStringList{"database_20240101", "database_20230101"};
        QTest::newRow("capitals sort before small letters")
            << QStringList{"workspace_b", "workspace_C", "workspace_a"} << QStringList{}
            << QStringList{"workspace_b", "workspace_a", "workspace_C"} << QStringList{};
        QTest::newRow("no database folder") << QStringList{"workspace_1"} << none << QStringList{"workspace_1"}
                                            << none;
        QTest::newRow("no folders") << none << none << none << none;
    }

    void listing()
    {
        QFETCH(QStringList, projectEntries);
        QFETCH(QStringList, databaseEntries);
        QFETCH(QStringList, projectList);
        QFETCH(QStringList, databaseList);
        const struct {
            QString dir;
            QStringList entries, expected;
            const char *group, *list;
        } sides[] = {{projects, projectEntries, projectList, "grbProject", "cmbProject"},
                     {databases, databaseEntries, databaseList, "grbDatabase", "cmbDatabase"}};
        for (const auto &side : sides)
            if (side.entries != QStringList{QStringLiteral("-")}) {
                QDir().mkpath(side.dir);
                for (const QString &entry : side.entries)
                    support::writeFile(side.dir + QLatin1Char('/') + entry);
            }

        RecoveryDialog dialog;
        for (const auto &side : sides) {
            auto *group = dialog.findChild<QGroupBox *>(QLatin1String(side.group));
            auto *list = dialog.findChild<QComboBox *>(QLatin1String(side.list));
            QVERIFY(group && list);
            const bool hidden = side.expected == QStringList{QStringLiteral("-")};
            QCOMPARE(group->isHidden(), hidden);
            QStringList shown;
            for (int i = 0; i < list->count(); ++i)
                shown.append(list->itemText(i));
            QCOMPARE(shown, hidden ? QStringList() : side.expected);
            QCOMPARE(list->currentIndex(), shown.isEmpty() ? -1 : 0);
        }
        QCOMPARE(dialog.getProject(), projectList.value(0) == QLatin1String("-") ? QString() : projectList.value(0));
    }

    void cancelOrNothingChosenChangesNothing_data()
    {
        QTest::addColumn<bool>("backups");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("box");
        QTest::newRow("cancel") << true << u8("取消") << QString();
        QTest::newRow("nothing to choose") << false << u8("确认") << u8("未选择恢复文件");
    }

    void cancelOrNothingChosenChangesNothing()
    {
        QFETCH(bool, backups);
        QFETCH(QString, answer);
        QFETCH(QString, box);
        if (backups) {
            makeProject(projects + QStringLiteral("/workspace_1"), QStringLiteral("1"));
            makeDatabase(databases + QStringLiteral("/database_1"), QStringLiteral("1"));
        }
        const auto before = tree(share);
        RecordingBackend backend;
        backend.passThrough = true;
        DialogRobot robot({answer});
        recovery_process();
        QVERIFY(backend.calls.isEmpty());
        QVERIFY(robot.progress().isEmpty());
        const QList<DialogRecord> boxes = robot.boxes();
        QCOMPARE(boxes[0].className, QStringLiteral("RecoveryDialog"));
        QCOMPARE(boxes[0].buttons, QStringList({u8("确认"), u8("取消")}));
        QCOMPARE(boxes[0].windowFlags, 0x40803);
        QCOMPARE(boxes.size(), box.isEmpty() ? 1 : 2);
        if (!box.isEmpty()) {
            QCOMPARE(boxes[1].title, u8("警告"));
            QCOMPARE(boxes[1].text, box);
            QCOMPARE(boxes[1].buttons, QStringList({u8("确认")}));
        }
        QCOMPARE(tree(share), before);
    }

    void restore_data()
    {
        QTest::addColumn<QString>("project");   // entry to choose; empty: no project folder
        QTest::addColumn<QString>("database");  // likewise
        QTest::addColumn<bool>("databaseComplete");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("project") << "workspace_20240101" << "" << true << doneText << QList<int>{0, 50};
        QTest::newRow("database file") << "" << "database_20240101" << true << doneText << QList<int>{0, 100};
        QTest::newRow("database folder") << "" << "database_folder" << true << doneText << QList<int>{0, 100};
        QTest::newRow("both") << "workspace_20240101" << "database_20240101" << true << doneText
                              << QList<int>{0, 50, 100};
        QTest::newRow("database lacks a table") << "" << "database_20240101" << false << databaseFailed
                                                << QList<int>{0};
        QTest::newRow("project, then a database lacking a table")
            << "workspace_20240101" << "database_20240101" << false
            << u8("工程已恢复；数据库恢复失败，数据库未改变。\n请重启机器人。") << QList<int>{0, 50};
        QTest::newRow("blank, quotes, $(...)") << "workspace_a b'c $(cd;touch pwned) `cd;touch pwned`"
                                               << "database_a b'c $(cd;touch pwned)" << true << doneText
                                               << QList<int>{0, 50, 100};
        QTest::newRow("Chinese") << u8("workspace_工程 备份") << u8("database_数据库") << true << doneText
                                 << QList<int>{0, 50, 100};
    }

    void restore()
    {
        QFETCH(QString, project);
        QFETCH(QString, database);
        QFETCH(bool, databaseComplete);
        QFETCH(QString, text);
        QFETCH(QList<int>, values);
        // Decoys named like the chosen entries, before and after them.
        QStringList answers;
        QString backupDb;
        if (!project.isEmpty()) {
            for (const QString &name : {project, project.left(12), project + QStringLiteral("x"),
                                        QStringLiteral("workspace_a")})
                makeProject(projects + QLatin1Char('/') + name, name);
            answers << QStringLiteral("cmbProject=") + project;
        }
        if (!database.isEmpty()) {
            for (const QString &name : {database.left(10), database + QStringLiteral("x")})
                makeDatabase(databases + QLatin1Char('/') + name, name);
            backupDb = databases + QLatin1Char('/') + database;
            if (database.endsWith(QLatin1String("folder")))
                backupDb += QStringLiteral("/dravon.db");
            makeDatabase(backupDb, database, databaseComplete);
            answers << QStringLiteral("cmbDatabase=") + database;
        }
        const auto liveBefore = tree(live);
        const auto projectsBefore = tree(projects);
        const QByteArray dbBefore = contents(db);

        RecordingBackend backend;
        backend.passThrough = true;
        DialogRobot robot(answers << u8("确认"));
        recovery_process();

        QVERIFY2(robot.problems().isEmpty(), qPrintable(robot.problems().join(QLatin1Char('\n'))));
        QCOMPARE(robot.boxes().last().title, u8("警告"));
        QCOMPARE(robot.boxes().last().text, text);
        QCOMPARE(robot.progress().first().label, u8("开始修复流程..."));
        QList<int> set;
        for (const DialogRecord &r : robot.progress())
            set.append(r.value);
        QCOMPARE(set, values);

        QCOMPARE(tree(live), project.isEmpty() ? liveBefore : tree(projects + QLatin1Char('/') + project));
        QCOMPARE(tree(projects), projectsBefore);
        const bool dbRestored = !database.isEmpty() && text == doneText;
        QCOMPARE(contents(db), dbRestored ? contents(backupDb) : dbBefore);
        QCOMPARE(keptDatabases().size(), dbRestored ? 1 : 0);
        if (dbRestored)
            QCOMPARE(contents(share + QLatin1Char('/') + keptDatabases().first()), dbBefore);
        // Nothing else is left on the share, and nothing ran from a name.
        QStringList expected = {QStringLiteral("dravon.db"), QStringLiteral("workspace")};
        if (!project.isEmpty())
            expected << QStringLiteral("workspace_backup");
        if (!database.isEmpty())
            expected << QStringLiteral("database_backup");
        expected << keptDatabases();
        expected.sort();
        QCOMPARE(shareEntries(), expected);
        QVERIFY(!QFile::exists(QStringLiteral("/root/pwned")));
    }

    void failedCopyLeavesTheWorkspace_data()
    {
        QTest::addColumn<QString>("failing");  // start of the command that fails
        QTest::newRow("copy of the project") << "/bin/cp -rf";
        QTest::newRow("removal of leftovers") << "/bin/rm -rf";
    }

    void failedCopyLeavesTheWorkspace()
    {
        QFETCH(QString, failing);
        makeProject(projects + QStringLiteral("/workspace_1"), QStringLiteral("1"));
        makeDatabase(databases + QStringLiteral("/database_1"), QStringLiteral("1"));
        // A leftover of an interrupted restore.
        support::writeFile(live + QStringLiteral(".restoring/marker"), "half");
        const auto liveBefore = tree(live);
        const QByteArray dbBefore = contents(db);
        RecordingBackend backend;
        backend.executeResult = [&](const QString &command, int timeout) {
            if (command.startsWith(failing))
                return exec::CommandResult::exited(0);  // runs, does nothing, reports nothing
            return exec::realBackend().execute(command, timeout);
        };
        DialogRobot robot({u8("确认")});
        recovery_process();
        QCOMPARE(robot.boxes().last().text, workspaceFailed);
        QCOMPARE(tree(live), liveBefore);
        QCOMPARE(contents(db), dbBefore);
        QVERIFY(keptDatabases().isEmpty());
        QCOMPARE(robot.progress().last().value, 0);
    }

    // The restored copy cannot take the workspace's place and the old one
    // cannot go back either: the box says where the old workspace lies, and
    // neither it nor the restored copy is deleted.
    void workspaceThatCannotGoBackIsAccountedFor()
    {
        makeProject(projects + QStringLiteral("/workspace_1"), QStringLiteral("1"));
        const auto liveBefore = tree(live);
        // Every rename onto the workspace's own name fails, as on a share
        // that stops taking new entries; every other command runs.
        RecordingBackend backend;
        backend.executeResult = [&](const QString &command, int timeout) {
            if (command.startsWith(QStringLiteral("/bin/mv -f ")) && command.endsWith(QLatin1Char(' ') + live))
                return exec::CommandResult::exited(1);
            return exec::realBackend().execute(command, timeout);
        };
        DialogRobot robot({u8("确认")});
        recovery_process();
        const QStringList aside = exec::setAside(live);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(robot.boxes().last().text,
                 u8("恢复失败，原工作空间无法放回原处。\n原工作空间现位于：%1\n请联系厂家技术服务支持。").arg(aside.first()));
        QVERIFY(!QFileInfo::exists(live));
        QCOMPARE(tree(aside.first()), liveBefore);
        QCOMPARE(tree(live + QStringLiteral(".restoring")), tree(projects + QStringLiteral("/workspace_1")));
    }

    // A restore cut off after the restored workspace was in place left the
    // old one set aside: the next restore ends as an uninterrupted one
    // would, with nothing set aside left.
    void setAsideCopiesOfEarlierRunsGo()
    {
        makeProject(projects + QStringLiteral("/workspace_1"), QStringLiteral("1"));
        makeProject(live + QStringLiteral(".replaced.20260101_000000"), QStringLiteral("replaced before"));
        RecordingBackend backend;
        backend.passThrough = true;
        DialogRobot robot({u8("确认")});
        recovery_process();
        QCOMPARE(robot.boxes().last().text, doneText);
        QCOMPARE(tree(live), tree(projects + QStringLiteral("/workspace_1")));
        QCOMPARE(exec::setAside(live), QStringList());
    }

    void unreadableDatabaseBackupIsRejected_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("content");  // written at the entry; empty: a folder without dravon.db
        QTest::newRow("not a database") << "database_junk" << QByteArray(200000, 'x');
        QTest::newRow("folder without dravon.db") << "database_folder" << QByteArray();
    }

    void unreadableDatabaseBackupIsRejected()
    {
        QFETCH(QString, entry);
        QFETCH(QByteArray, content);
        const QString path = databases + QLatin1Char('/') + entry;
        if (content.isEmpty())
            support::writeFile(path + QStringLiteral("/other.db"), "x");
        else
            support::writeFile(path, content);
        const auto before = tree(share);
        RecordingBackend backend;
        backend.passThrough = true;
        DialogRobot robot({u8("确认")});
        recovery_process();
        QCOMPARE(robot.boxes().last().text, databaseFailed);
        QCOMPARE(tree(share), before);
        QVERIFY(backend.calls.isEmpty());
    }
};

PENDANT_FLOW_TEST_MAIN(BackupRestoreTest)
#include "test_backup_restore.moc"
