#include "support/sample_database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

namespace support {

namespace {
const QString writer = QStringLiteral("support_sample_database");
}

QStringList requiredTablesFromTools()
{
    QFile list(QStringLiteral(PENDANT_SOURCE_DIR "/tools/lib/required-tables.sh"));
    if (!list.open(QIODevice::ReadOnly))
        return QStringList();
    const QString text = QString::fromUtf8(list.readAll());
    const int start = text.indexOf(QStringLiteral("REQUIRED_TABLES=("));
    const int end = text.indexOf(QLatin1Char(')'), start);
    if (start < 0 || end < 0)
        return QStringList();
    const QString body = text.mid(start + 17, end - start - 17);
    return body.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

void runSql(const QString &path, const QStringList &sql)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), writer);
        db.setDatabaseName(path);
        if (!db.open())
            qWarning("cannot open %s", qPrintable(path));
        QSqlQuery query(db);
        for (const QString &statement : sql)
            if (!query.exec(statement))
                qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(writer);
}

void writeDatabase(const QString &path, const QStringList &tables, int rows)
{
    QFile::remove(path);
    QDir().mkpath(QFileInfo(path).path());
    const bool sequence = tables.contains(QStringLiteral("sqlite_sequence"));
    QStringList sql = {QStringLiteral("BEGIN")};
    QString first;
    for (const QString &table : tables) {
        if (table == QLatin1String("sqlite_sequence"))
            continue;
        sql << QStringLiteral("CREATE TABLE %1 (id INTEGER PRIMARY KEY%2, name TEXT, value TEXT)")
                   .arg(table, sequence ? QStringLiteral(" AUTOINCREMENT") : QString());
        if (first.isEmpty())
            first = table;
    }
    if (!first.isEmpty()) {
        if (sequence || rows > 0)
            sql << QStringLiteral("INSERT INTO %1 (name, value) VALUES ('first', 'row')").arg(first);
        if (rows > 0)
            sql << QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                                  "INSERT INTO %1 (name, value) SELECT 'row ' || i, hex(randomblob(48)) FROM n")
                       .arg(first)
                       .arg(rows);
    }
    sql << QStringLiteral("COMMIT");
    runSql(path, sql);
}

QString integrityCheck(const QString &path)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {path, QStringLiteral("PRAGMA integrity_check;")});
    shell.waitForFinished();
    return QString::fromUtf8(shell.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0);
}

QList<int> auditProgress(int count)
{
    QList<int> values;
    for (int n = 0; n < count; ++n)
        values.append(31 + n);
    return values;
}

}  // namespace support
